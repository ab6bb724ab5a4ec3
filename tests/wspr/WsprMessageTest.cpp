#include <gtest/gtest.h>
#include "wspr/WsprMessage.h"
