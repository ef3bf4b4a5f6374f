#pragma once

#include <QString>

class QLabel;
class QWidget;

// The title line of a pane: navy, bold, left-aligned. The studio list and navigation panes
// use it too.
QLabel* MakePaneCaption(const QString& text, QWidget* parent);
