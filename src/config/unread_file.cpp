#include "config/unread_file.h"

#include <string>

#include "platform/backup_copy.h"

void KeepUnreadFile(Platform& platform, const char* name, const UnreadNotice& notice) {
    FileSystem& files = platform.files;
    std::string text = notice.text;
    const std::string backup = BackupName(name);
    bool tell = notice.everyLoad;
    switch (KeepBackupCopy(files, name)) {
        case BackupCopy::Made:
            files.NoLongerKeep(name);
            text += "\n読み込めなかったファイルは、同じフォルダーに「" + backup + "」として保存しました。";
            tell = true;
            break;
        case BackupCopy::AlreadyKept:
        case BackupCopy::NothingToKeep:
            files.NoLongerKeep(name);
            break;
        case BackupCopy::NotMade:
            // Most often another program still holds the file: the copy is made before the first
            // write instead (WriteFileSafely), and a write that cannot make it fails.
            if (!files.MustKeepBeforeReplacing(name)) {
                files.KeepBeforeReplacing(name);
                text +=
                    "\nこのファイルは、書き換える前に同じフォルダーに「" + backup + "」として保存します。";
                tell = true;
            }
            break;
    }
    if (tell) platform.messages.Show(text.c_str(), notice.title, notice.icon);
}

void ClearUnreadFile(Platform& platform, const char* name) { platform.files.NoLongerKeep(name); }
