#include "app/UAbout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QSysInfo>

#include <algorithm>

#include "app/BuildStamp.h"
#include "app/DesignLayout.h"
#include "support/Feedback.h"
#include "support/ReadableColour.h"

namespace {

constexpr double DesignPpi = 96;
constexpr int DesignWidth = 428;
constexpr int DesignHeight = 296;
constexpr int Margin = 24;

}  // namespace

QString BuildPlatform()
{
#if defined(Q_OS_LINUX)
    const char* system = "Linux";
#elif defined(Q_OS_WIN)
    const char* system = "Windows";
#elif defined(Q_OS_MACOS)
    const char* system = "macOS";
#elif defined(Q_OS_FREEBSD)
    const char* system = "FreeBSD";
#else
    const char* system = "Unix";
#endif
    return QString("%1 %2 with Qt %3").arg(system, QSysInfo::buildCpuArchitecture(), QT_VERSION_STR);
}

TFAbout::TFAbout(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle("About Quorvex");
    setFont(SansSerifFont(8));
    const TDesignScale design(*this, DesignPpi);
    auto label = [&](int top) {
        auto* l = new QLabel(this);
        l->move(design(Margin), design(top));
        return l;
    };
    Label1 = label(24);
    Label1->setFont(SansSerifFont(16));
    SetReadableTextColour(Label1, QPalette::WindowText, QPalette::Window, QColor(0, 0, 128));  // navy
    Label2 = label(56);
    Label3 = label(160);
    Label4 = label(232);
    Guarded([this] { FormCreate(); });
}

// A window with nothing to choose: Escape and Enter put it away.
void TFAbout::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TFAbout::FormCreate()
{
    Label1->setText("SI570 / LCD controller software by VELNOR");
    Label2->setText(QString("Build dated ") + BuildStamp + " for " + BuildPlatform() + "\n\nLook at\n" +
                    QString(23, ' ') + "https://quorvex.org\nfor updates!");
    Label3->setText("Written in C++20 with Qt 6\n\nThird party units used:\n"
                    "- libusb 0.1 by the libusb project for generic USB-driver\n"
                    "  from https://libusb.info");
    Label4->setText("Copyright (C) the Quorvex developers");

    // Fonts differ between systems: a text that needs more room than the
    // design gave it moves the texts below down and widens the window.
    const TDesignScale design(*this, DesignPpi);
    int width = design(DesignWidth);
    int bottom = 0;
    for (QLabel* l : {Label1, Label2, Label3, Label4}) {
        l->adjustSize();
        l->move(l->x(), std::max(l->y(), bottom + design(8)));
        bottom = l->y() + l->height();
        width = std::max(width, l->x() + l->width() + design(Margin));
    }
    setFixedSize(width, std::max(design(DesignHeight), bottom + design(Margin)));
}
