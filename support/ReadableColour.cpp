#include "support/ReadableColour.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

double RelativeLuminance(const QColor& colour)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

QColor Mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Sets the colour again whenever the control's palette changes (a new
// desktop palette), so it reads on the new background too.
class TReadableText : public QObject {
public:
    TReadableText(QWidget* control, QPalette::ColorRole text, QPalette::ColorRole background)
        : QObject(control), control_(control), text_(text), background_(background)
    {
        setObjectName(Name);
        control->installEventFilter(this);
    }

    static constexpr const char* Name = "quorvex-readable-text";

    void Want(const QColor& wanted)
    {
        wanted_ = wanted;
        Apply();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == control_ && event->type() == QEvent::PaletteChange)
            Apply();
        return false;
    }

private:
    void Apply()
    {
        const QColor colour = ReadableOn(wanted_, control_->palette().color(background_));
        // Equal after the first change: setting it again would only announce another.
        if (control_->palette().color(text_) == colour)
            return;
        QPalette palette = control_->palette();
        palette.setColor(text_, colour);
        control_->setPalette(palette);
    }

    QWidget* control_;
    QPalette::ColorRole text_;
    QPalette::ColorRole background_;
    QColor wanted_;
};

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background)
{
    const QColor towards = RelativeLuminance(background) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    constexpr int Steps = 20;
    for (int step = 0; step < Steps; ++step) {
        const QColor colour = Mix(wanted, towards, static_cast<double>(step) / Steps);
        if (ContrastRatio(colour, background) >= ReadableContrast)
            return colour;
    }
    return towards;
}

void SetReadableTextColour(QWidget* control, QPalette::ColorRole text, QPalette::ColorRole background,
                           const QColor& wanted)
{
    auto* readable = control->findChild<TReadableText*>(TReadableText::Name, Qt::FindDirectChildrenOnly);
    if (!wanted.isValid()) {
        delete readable;
        control->setPalette(QPalette());  // every role follows the desktop again
        return;
    }
    if (!readable)
        readable = new TReadableText(control, text, background);
    readable->Want(wanted);
}
