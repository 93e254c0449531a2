#pragma once

#include <memory>

#include "http/request_exchange.h"
#include "platform/inet.h"
#include "text/gbk_text.h"

// Performs the one request that the buffer's record describes, through the
// installed inet layer, and writes the answer record back over it: body in
// slot 0, collected cookies in slot 1, raw headers in slot 5. Runs on the
// request's own thread; `cancel` (may be null) lets the waiting caller abort
// the transfer. False when nothing was written back (the record could not be
// read, or the answer could not be written).
bool RequestWorker(HandOverBuffer& buffer, const std::shared_ptr<inet::Cancellation>& cancel = nullptr);

// The host of a URL, lower-cased, without scheme, port or path.
Text HostOfUrl(const Text& url);
// The path with query (and fragment) of a URL; "/" when there is none.
Text PathOfUrl(const Text& url);
// The port of a URL: the number after the host's ":", 80 without one, 0 when
// what follows the ":" is not a number.
int PortOfUrl(const Text& url);
// The text between the first `left` (searched from `start`) and the next
// `right` after it; empty when either is missing.
Text TextBetween(const Text& text, const Text& left, const Text& right, int start = 1, bool ignoreCase = true);
// The text from `start` up to the first `delimiter`; empty when it is missing.
Text TextBefore(const Text& text, const Text& delimiter, int start = 1, bool ignoreCase = false);
