#pragma once
// What the operator left in the WSPR beacon window's fields, as typed, kept
// in the settings file: the window shows it when it is made and keeps it up
// to date. No Qt here.
#include <string>

struct TWsprFields {
    std::string Call;
    std::string Locator;
    std::string Power = "37";  // dBm
    std::string Dial = "14.0956 (20 m)";  // MHz, as the band list shows it or as typed
    std::string Audio = "1500";  // Hz
    bool EveryNth = false;  // every Nth slot rather than a share of them
    std::string Share = "20";  // percent
    std::string Every = "5";
    std::string Off = "200";  // MHz
};
inline TWsprFields WsprFields;
