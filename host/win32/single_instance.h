// One running Tockly per program folder: two copies on the same data.ini would each keep the
// table in their own list box, wipe each other's entries on save and fire every entry twice.
//
// The first copy holds a named mutex in the user's session namespace whose name is made of the
// user's SID and the identity of the program folder (volume serial number and file index, so
// that every spelling of the folder gives the same name). A second start that finds the mutex
// looks for the first copy's host window, checks that the process behind it runs an image from
// the same folder, and asks it with a private registered message to bring its main window back;
// only a copy that answers with the agreed value takes the start over. The name is no lock: a
// program that holds it without being such a copy (or a copy that hangs) gets no answer, and the
// second start then runs normally after a bounded wait.
#pragma once

#include <windows.h>

namespace tockly::host::win32 {

class Trace;

// The registered message by which a second start asks the first to bring its main window back.
UINT bring_back_message();
// What the first copy answers to it.
inline constexpr LRESULT kBringBackAnswer = 0x546F636B;

enum class InstanceClaim {
    first,        // this process runs the folder's Tockly
    handed_over,  // the folder's running Tockly took the start over: end with exit code 0
};

// Claims the program folder for this process, or hands the start over to the Tockly that already
// runs from it. The mutex handle is kept until the process ends.
InstanceClaim claim_program_folder(Trace* trace);

}  // namespace tockly::host::win32
