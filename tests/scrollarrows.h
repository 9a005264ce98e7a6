#pragma once

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

// Where the style draws one of a scroll bar's arrow buttons, in the bar's coordinates.
inline QRect scrollArrowRect(const QScrollBar *bar, QStyle::SubControl arrow)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.subControls = QStyle::SC_All;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow, bar);
}
