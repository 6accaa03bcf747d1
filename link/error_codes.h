// The result of a printer job, as the front ends report it. 2 and 6 are not
// assigned.
#pragma once

#include <cstdint>

enum JobError : uint8_t {
    kErrorNone = 0,
    kErrorPortOpen = 1,      // the port could not be opened
    kErrorNoReply = 3,       // a command got no valid reply after all its tries
    kErrorLocalRate = 4,     // the printer took a new rate, the local port could not
    kErrorIdentity = 5,      // the device is not a supported printer
    kErrorDownloadMode = 7,  // the printer did not accept download mode
    kErrorUpdateMode = 8,    // the printer did not accept update mode
    kErrorBadRequest = 9,    // the job could not be carried out (bad request, internal error)
    kErrorStopped = 10,      // the user stopped the job in the middle of a transfer
};
