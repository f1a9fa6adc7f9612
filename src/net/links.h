#pragma once
// Which links the program hands on: to the shell, or into the article page.
#include <cstddef>

#include "feed/text.h"

// An http:// or https:// address (letters in any case). A javascript:, data: or file: address from a
// feed must never become something the user can run or open with a click.
bool IsWebLink(const char* link);

// A link may be handed to the shell only when it is a web address whose extension is not on the
// list of dangerous types.
bool IsSafeLink(const char* link);

// Room for any link of a slot as the shell gets it: every byte a space, percent-encoded.
constexpr size_t kShellLinkSize = 3 * (kSlotSize - 1) + 1;

// Prepares a link for the shell's "open" in `out`: spaces at either end dropped, the others
// percent-encoded. False (refused, `out` empty) when the link is not safe (IsSafeLink), when it then
// still holds a byte that could end or add an argument on a browser's command line ('"', '<', '>'
// or one below 0x21), or when its encoded form does not fit `outSize` (a link is never cut).
bool PrepareLinkForShell(const char* link, char* out, size_t outSize);
