// Reaching controls without a mouse: the order Tab follows, and the names screen readers say.
#pragma once

#include <initializer_list>

class QWidget;

// Tab (Shift+Tab back) goes through `controls` in the order given, each after the one before.
void SetTabOrder(std::initializer_list<QWidget*> controls);

// Every control that a label names (its buddy) is called by that label's caption, without its
// shortcut mark and closing colon, unless it has a name already. Screen readers otherwise read
// some kinds (an editable combo box) by their contents.
void NameControlsByTheirLabels(QWidget& window);
