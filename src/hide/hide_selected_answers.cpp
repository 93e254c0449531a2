#include "hide/hide_selected_answers.h"

void HideSelectedAnswers() {}
