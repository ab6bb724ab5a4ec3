# Writes the build stamp source; run on every build so the stamp is the build's own time.
string(TIMESTAMP stamp "%Y.%m.%d %H:%M:%S")
file(WRITE "${OUT}.new" "#include \"app/BuildStamp.h\"\nconst char BuildStamp[] = \"${stamp}\";\n")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
