# Packages of KX418.exe for Windows users, made by CPack: a portable zip
# (KX418.exe, kx418ctl.exe, kx418.dll, kx418.h, README.txt) and an
# installer (NSIS) of the same files with a start-menu entry and an
# uninstaller, installing for all users into the program files folder.
install(TARGETS KX418 kx418ctl kx418 RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/devlib/include/kx418.h DESTINATION .)
# The Windows users' README, with Windows line ends.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR "ZIP;NSIS")
# Without debugging information: under wine a program's whole image is read
# into memory, so it would cost its users several MiB (the build keeps it).
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_NAME "KX418")
set(CPACK_PACKAGE_VENDOR "KX418 project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KX418 Configurator: settings for the KX418 USB timer and relay module")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(kx418_package KX418-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_FILE_NAME ${kx418_package})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "KX418")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "KX418")
set(CPACK_RESOURCE_FILE_README ${CMAKE_BINARY_DIR}/README.txt)

# The start-menu entry, to KX418.exe in the installation's own folder.
set(CPACK_PACKAGE_EXECUTABLES "KX418" "KX418 Configurator")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_NSIS_DISPLAY_NAME "KX418 Configurator")
set(CPACK_NSIS_PACKAGE_NAME "KX418 Configurator ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_INSTALLED_ICON_NAME "KX418.exe")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/app/windows/KX418.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/app/windows/KX418.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# A 64-bit installer, like the program it installs: it then runs where
# KX418.exe runs, also under a 64-bit-only wine (the preset's tests).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
include(CPack)

# Made by every test run (CI runs the tests): both packages, then what the
# zip holds.
add_test(NAME windows_packages
  COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR}
          -DPACKAGE=${CMAKE_BINARY_DIR}/${kx418_package} -DOBJDUMP=${CMAKE_OBJDUMP}
          -DLIST=${PROJECT_SOURCE_DIR}/tests/package/KX418-win64.zip.list
          -P ${CMAKE_CURRENT_LIST_DIR}/check_packages.cmake)
set_tests_properties(windows_packages PROPERTIES TIMEOUT 300 FIXTURES_SETUP windows_packages)
