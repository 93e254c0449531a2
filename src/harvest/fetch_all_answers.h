#pragma once

// Fills the answer list with every answer of the logged-in account, page by
// page. Runs to its end on the calling thread (the fetch button starts it on a
// thread of its own).
void FetchAllAnswers();
