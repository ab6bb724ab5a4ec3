#include "wspr/WsprFields.h"

#include "support/NumberText.h"
#include "support/UUtils.h"
#include "wspr/WsprMessage.h"

void ReadWsprFields(std::istream& file, TWsprFields& fields)
{
    int32_t number = 0;
    ReadStringAfterKey(file, "WSPR_Call=", fields.Call);
    ReadStringAfterKey(file, "WSPR_Locator=", fields.Locator);
    ReadStringAfterKey(file, "WSPR_Power=", fields.Power);
    ReadStringAfterKey(file, "WSPR_Dial=", fields.Dial);
    ReadStringAfterKey(file, "WSPR_Audio=", fields.Audio);
    if (ReadIntegerAfterKey(file, "WSPR_EveryNth=", number))
        fields.EveryNth = number == 1;
    ReadStringAfterKey(file, "WSPR_Share=", fields.Share);
    ReadStringAfterKey(file, "WSPR_Every=", fields.Every);
    ReadStringAfterKey(file, "WSPR_Off=", fields.Off);
}

double WsprDialHz(const std::string& dial)
{
    const size_t first = dial.find_first_not_of(" \t");
    const std::string text =
        first == std::string::npos ? std::string() : dial.substr(first, dial.find_last_not_of(" \t") + 1 - first);
    double mhz = 0;
    if (!TryParseFloat(text.substr(0, text.find(' ')), mhz))
        throw WsprError("Dial frequency \"" + text + "\" is not a number of MHz.");
    return mhz * 1000000;
}
