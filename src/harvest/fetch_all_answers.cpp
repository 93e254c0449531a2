#include "harvest/fetch_all_answers.h"

void FetchAllAnswers() {}
