#pragma once
// A file of the program that exists but could not be read whole is never replaced blindly: its
// loader keeps it as "<name>.bak" beside it (or, while another program holds it, has every writer
// keep it first) and tells the user once which file could not be read and where the copy is.
#include "platform/platform.h"

// What the user is told about one unreadable file.
struct UnreadNotice {
    const char* text;  // which file could not be read and why
    const char* title;
    MessageIcon icon;
    // The file's own message, shown at every load as before; other notices are shown only when a
    // new copy is made or promised.
    bool everyLoad;
};

void KeepUnreadFile(Platform& platform, const char* name, const UnreadNotice& notice);

// After a load that read the file whole (the table now holds what the file holds), or found it gone:
// writers may replace it without a copy.
void ClearUnreadFile(Platform& platform, const char* name);
