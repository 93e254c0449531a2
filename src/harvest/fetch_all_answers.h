#pragma once

// Fills the answer list with every answer of the logged-in account, page by
// page. Runs to its end on the calling thread (the fetch button starts it on a
// thread of its own).
void FetchAllAnswers();

// A run also ends after this many pages in a row that added no row, so that a
// site that never sends the end marker cannot keep the buttons disabled for
// ever. The site itself never serves an answerless page before the end marker;
// only broken pages (counts that disagree) add none, and they come singly.
constexpr int kMaxFruitlessPages = 10;
