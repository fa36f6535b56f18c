#pragma once

#include "shell/WindowIds.h"

// The tray menu's check marks as a mirror of the panel controls.
namespace vexmora {

class WindowModel;

// Every mark from the controls: the four flag items take their check box's state; in each
// list's group the item of the selected index is checked and the others cleared.
void MirrorMenuMarks(WindowModel& model);

// The marks of one option only, as a handler that changed it applies them.
void MirrorMenuMarks(WindowModel& model, CheckBoxId box);
// Four-item groups: an index outside 0..3 leaves the marks as they are. Two-item groups (source,
// quality): the first item is checked for index 0, the second for any other index.
void MirrorMenuMarks(WindowModel& model, ListId list);

} // namespace vexmora
