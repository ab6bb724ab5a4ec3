# The EEPROM editor windows belong to the window library: they use the main
# window, and the program creates them.
target_sources(qv_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/EepromEditor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StringGrid.cpp ${CMAKE_CURRENT_LIST_DIR}/UEEPROM.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UEEPROM_Orvel.cpp)
target_link_libraries(qv_app PUBLIC qv_eeprom qv_eeprom_board)
