// Starting a program or opening a page as the user who is signed in: by the
// desktop shell, which runs as that user, not by this elevated process, whose
// children would inherit its administrator's token (with over-the-shoulder
// elevation, another account; for any administrator, a window Explorer may
// not drop files on).
#pragma once

// Opens file with the "open" verb, as the desktop shell's ShellExecute with
// the given parameters and folder (0: none); where there is no desktop shell
// to ask (a shell replacement, a server without a desktop, any step failing)
// this process opens it with ShellExecuteA. sameUser: only a shell that runs
// as this process's own account (a file in this account's profile, which
// another user's programs may not read). The trace says which way it went.
void OpenAsUser(const char* file, const char* params, const char* dir, bool sameUser);
