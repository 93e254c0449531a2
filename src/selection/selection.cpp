#include "selection/selection.h"

std::atomic<int32_t> SelectionCount{0};

void OnRowCheckChanged(int, int) {}
void ToggleSelectAll() {}
void SelectByKeyword() {}
