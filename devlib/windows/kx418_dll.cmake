# The Windows half of devlib/CMakeLists.txt: the backend on the HID and
# device-setup services, and the shipped kx418.dll.
add_library(kx418_win32 OBJECT ${CMAKE_CURRENT_LIST_DIR}/hid_win32.cpp)
target_link_libraries(kx418_win32 PRIVATE kx418_warnings kx418_sanitizers kx418_inner)

# kx418.dll: exactly the four undecorated names of kx418.def, the runtime
# linked in, so that it imports Windows system DLLs only.
add_library(kx418 SHARED $<TARGET_OBJECTS:kx418_logic> $<TARGET_OBJECTS:kx418_win32>
                         ${CMAKE_CURRENT_SOURCE_DIR}/kx418.def)
target_link_libraries(kx418 PRIVATE kx418_warnings kx418_sanitizers)
target_include_directories(kx418 INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_libraries(kx418 PRIVATE hid setupapi)
target_link_options(kx418 PRIVATE -static -Wl,--kill-at -Wl,--no-undefined)
set_target_properties(kx418 PROPERTIES PREFIX "" IMPORT_PREFIX "" OUTPUT_NAME kx418)

add_library(kx418_with_win32 STATIC $<TARGET_OBJECTS:kx418_logic> $<TARGET_OBJECTS:kx418_devices>
                                    $<TARGET_OBJECTS:kx418_win32>)
target_link_libraries(kx418_with_win32 PRIVATE kx418_warnings kx418_sanitizers)
target_link_libraries(kx418_with_win32 PUBLIC kx418_inner hid setupapi)
