#pragma once
// Which links the program hands on: to the shell, or into the article page.

// An http:// or https:// address (letters in any case). A javascript:, data: or file: address from a
// feed must never become something the user can run or open with a click.
bool IsWebLink(const char* link);

// A link may be handed to the shell only when it is a web address whose extension is not on the
// list of dangerous types.
bool IsSafeLink(const char* link);
