#pragma once
// A test's look at every vendor control transfer our code makes, before the
// library sends it: count them, change what is sent, or fail the board from
// a given transfer on.
#include <functional>

struct TVendorTransfer {
    int Number = 0;  // 0 for the first vendor transfer since the hook was installed
    int RequestType = 0;
    int Request = 0;
    int Value = 0;
    int Index = 0;
};
// Installed by a test; may change Value and Index.
inline std::function<void(TVendorTransfer&)> VendorTransferHook;
void ResetVendorTransferCount();
