#pragma once

#include <QWidget>
#include <initializer_list>

// Tab order through widgets in the order given (Qt 6.4 takes only pairs).
inline void SetTabOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}
