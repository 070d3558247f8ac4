#include "platform/WrapButtons.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {
void PaintWrapped(QAbstractButton* button, QStyleOptionButton opt, QStyle::SubElement indicatorRect,
                  QStyle::PrimitiveElement indicator, QStyle::PixelMetric spacingMetric)
{
    QStylePainter p(button);
    QStyle* style = button->style();

    QStyleOptionButton ind = opt;
    ind.rect = style->subElementRect(indicatorRect, &opt, button);
    p.drawPrimitive(indicator, ind);

    QRect textRect = opt.rect;
    textRect.setLeft(ind.rect.right() + 1 + style->pixelMetric(spacingMetric, &opt, button));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    style->drawItemText(&p, textRect, flags, opt.palette, button->isEnabled(), opt.text,
                        QPalette::WindowText);

    if (button->hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(button);
        focus.rect = style->itemTextRect(opt.fontMetrics, textRect, flags, button->isEnabled(), opt.text)
                         .adjusted(-1, 0, 1, 0)
                         .intersected(opt.rect);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
} // namespace

void WrapCheckBox::paintEvent(QPaintEvent*)
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    PaintWrapped(this, opt, QStyle::SE_CheckBoxIndicator, QStyle::PE_IndicatorCheckBox,
                 QStyle::PM_CheckBoxLabelSpacing);
}

bool WrapCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void WrapOptionButton::paintEvent(QPaintEvent*)
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    PaintWrapped(this, opt, QStyle::SE_RadioButtonIndicator, QStyle::PE_IndicatorRadioButton,
                 QStyle::PM_RadioButtonLabelSpacing);
}

bool WrapOptionButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }
