#include "support/LongOperation.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

TLongOperation::TLongOperation(QMainWindow& window, int steps) : window_(window), bar_(new QProgressBar)
{
    bar_->setRange(0, steps);
    bar_->setValue(0);
    bar_->setTextVisible(true);
    window_.statusBar()->addPermanentWidget(bar_, 1);
    // Disabled, the controls ignore the input that arrives meanwhile; the
    // status area stays enabled so the progress reads clearly.
    if (QWidget* menu = window_.menuWidget())  // menuBar() would give a window without menus an empty one
        menu->setEnabled(false);
    if (QWidget* client = window_.centralWidget())
        client->setEnabled(false);
    // Painted greyed at once, so the operator sees the window is busy.
    window_.repaint();
}

TLongOperation::~TLongOperation()
{
    window_.statusBar()->removeWidget(bar_);
    delete bar_;
    if (QWidget* menu = window_.menuWidget())
        menu->setEnabled(true);
    if (QWidget* client = window_.centralWidget())
        client->setEnabled(true);
}

void TLongOperation::Begin(const QString& what)
{
    const QString format = what + "  %p%";
    if (bar_->format() == format)
        return;
    bar_->setFormat(format);
    bar_->repaint();
}

void TLongOperation::Step(int done)
{
    // Painted when the percentage shown changes: at most a hundred times,
    // however many transfers the operation makes.
    const auto percent = [this](int value) {
        return static_cast<long long>(value - bar_->minimum()) * 100 / std::max(1, bar_->maximum() - bar_->minimum());
    };
    const bool changed = percent(done) != percent(bar_->value());
    bar_->setValue(done);
    if (changed)
        bar_->repaint();
}
