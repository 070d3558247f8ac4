// What a user sees of a label's text.
#pragma once

#include "platform/FitLabel.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

// Whether a left-aligned label shows all of its text, as the user sees it: the label's
// picture is its whole text, drawn in the font the label draws it in, and none of that
// text's ink falls beyond the label's right edge.
inline ::testing::AssertionResult ShowsWholeText(QLabel* label)
{
    if (!(label->alignment() & Qt::AlignLeft))
        return ::testing::AssertionFailure() << "only left-aligned labels are checked";
    const auto* fit = qobject_cast<FitLabel*>(label);
    const QFont font = fit ? fit->ShownFont() : label->font();
    const QString text = label->text();
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide > label->contentsRect().width())
        return ::testing::AssertionFailure() << '"' << text.toStdString() << "\" needs " << wide
                                             << " pixels, the label has " << label->contentsRect().width();

    // The same text in the same font on a label with room to spare.
    QLabel whole(text);
    whole.setTextFormat(Qt::PlainText);
    whole.setFont(font);
    whole.setPalette(label->palette());
    whole.setAlignment(label->alignment());
    whole.resize(label->width() + wide + 20, label->height());
    auto picture = [](QWidget* w) {
        QImage img(w->size(), QImage::Format_RGB32);
        img.fill(Qt::white);
        w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        return img;
    };
    const QImage shown = picture(label);
    const QImage wanted = picture(&whole);
    for (int y = 0; y < wanted.height(); ++y)
        for (int x = label->width(); x < wanted.width(); ++x)
            if (wanted.pixel(x, y) != qRgb(255, 255, 255))
                return ::testing::AssertionFailure() << '"' << text.toStdString() << "\" has ink at x " << x
                                                     << ", beyond the label's width " << label->width();
    if (shown != wanted.copy(0, 0, label->width(), label->height()))
        return ::testing::AssertionFailure() << "the label does not show \"" << text.toStdString() << "\" whole";
    return ::testing::AssertionSuccess();
}
