#pragma once

// Sends one hide request for every ticked row and writes each outcome into the
// row. Runs to its end on the calling thread (the hide button starts it on a
// thread of its own).
void HideSelectedAnswers();
