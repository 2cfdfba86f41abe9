#pragma once

#include <QString>

class QApplication;
class QWidget;

// Screen readers and scripted checks find controls by name. Buttons,
// clickable labels, fields, combo boxes and tables get one when they have
// none: their visible text, else the label their form gives them, else the
// "name" property the style sheet selects on, else their object name.
QString fallbackAccessibleName(const QWidget *widget);

// Names every such widget as it is first polished, for the whole program.
void installAccessibleNames(QApplication &app);
