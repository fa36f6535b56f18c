#include "shell/MenuMarks.h"

#include "shell/WindowModel.h"

namespace vexmora {

void MirrorMenuMarks(WindowModel& model) {
    for (CheckBoxId box : kAllCheckBoxes) {
        MirrorMenuMarks(model, box);
    }
    for (ListId list : kAllLists) {
        MirrorMenuMarks(model, list);
    }
}

void MirrorMenuMarks(WindowModel& model, CheckBoxId box) {
    model.SetMenuChecked(MenuItemOf(box), model.IsChecked(box));
}

void MirrorMenuMarks(WindowModel& model, ListId list) {
    int count = ItemCount(list);
    int index = model.SelectedIndex(list);
    int marked = index;
    if (count == 2) {
        marked = index == 0 ? 0 : 1;
    } else if (index < 0 || index >= count) {
        return;
    }
    for (int item = 0; item < count; ++item) {
        model.SetMenuChecked(MenuItemOf(list, item), item == marked);
    }
}

} // namespace vexmora
