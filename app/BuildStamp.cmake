# Writes the build stamp source. SOURCE_DATE_EPOCH, when set, gives the time
# (in UTC) so that a package build is reproducible.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  string(TIMESTAMP stamp "%Y.%m.%d %H:%M:%S" UTC)
else()
  string(TIMESTAMP stamp "%Y.%m.%d %H:%M:%S")
endif()
file(WRITE "${OUT}" "#include \"app/BuildStamp.h\"\nconst char BuildStamp[] = \"${stamp}\";\n")
