#pragma once
// Date and time of the build, "2011.09.08 12:05:38"; fixed when the program is built.
extern const char BuildStamp[];
