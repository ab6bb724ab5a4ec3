# The build stamp with SOURCE_DATE_EPOCH set: the given time in UTC, whatever
# the clock and the time zone, so two package builds give the same binary.
set(ENV{SOURCE_DATE_EPOCH} 1700000000)
set(ENV{TZ} "Pacific/Auckland")
set(OUT "${WORK}/BuildStampCheck.cpp")
include("${SOURCE}/app/BuildStamp.cmake")
file(READ "${OUT}" text)
if(NOT text MATCHES "const char BuildStamp\\[\\] = \"2023\\.11\\.14 22:13:20\";")
  message(FATAL_ERROR "unexpected stamp: ${text}")
endif()
