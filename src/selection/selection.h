#pragma once

#include <atomic>
#include <cstdint>

// The number of ticked rows as the selection handlers count it. The hide run
// reads and resets it from its own thread, hence atomic. It has no bounds of
// its own: a fetch empties the list without touching it, and an untick at 0
// makes it -1.
extern std::atomic<int32_t> SelectionCount;

// The list's RowCheckChanged handler: state is the row's check state read when
// the event is handled (1, 0 or -1).
void OnRowCheckChanged(int row, int state);
// The select-all check box's click handler (the box has already changed its tick).
void ToggleSelectAll();
// The keyword button's click handler.
void SelectByKeyword();
