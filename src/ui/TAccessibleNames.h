#pragma once

class QWidget;

// Gives every control that takes the keyboard focus a name for screen readers: the text of the
// label that stands for it (its buddy, or the label just before it in its layout), a button's
// own caption, a grid's caption or column titles, or the title of the group around it. A name
// set by hand is kept.
namespace TAccessibleNames {

void Apply(QWidget* window);

} // namespace TAccessibleNames
