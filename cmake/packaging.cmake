# Installed layout and the Debian package.
#   bin/                          mousecfg, mousecfg-cli
#   share/mousecfg/               data/, i18n/, fonts/ (read only; settings go to ~/.config/mousecfg)
#   lib/udev/rules.d/             70-mousecfg.rules, generated from data/apConfig.bin
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man1, share/doc/mousecfg
#   /etc/xdg/autostart/mousecfg.desktop (conffile)
set(MOUSECFG_APPSTREAM_ID org.mousecfg.mousecfg)
set(MOUSECFG_RELEASE_DATE "2026-12-08" CACHE STRING "Release date of this version, for the AppStream metainfo")
set(_pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(_pkg_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_pkg_out})

# AppStream: one modalias per catalogue mouse, so that software centres offer the program
# when such a mouse is plugged in.
file(STRINGS ${CMAKE_SOURCE_DIR}/data/apConfig.bin _catalogue_ids REGEX "^(vid|pid)=")
set(MOUSECFG_MODALIASES "")
set(_vid "")
foreach(_line IN LISTS _catalogue_ids)
  string(REGEX REPLACE "^[a-z]+=" "" _value "${_line}")
  string(STRIP "${_value}" _value)
  string(TOUPPER "${_value}" _value)
  string(LENGTH "${_value}" _len)
  while(_len LESS 4)
    set(_value "0${_value}")
    math(EXPR _len "${_len} + 1")
  endwhile()
  if(_line MATCHES "^vid=")
    set(_vid "${_value}")
  elseif(_vid)
    string(APPEND MOUSECFG_MODALIASES "    <modalias>usb:v${_vid}p${_value}d*</modalias>\n")
    set(_vid "")
  endif()
endforeach()
string(STRIP "${MOUSECFG_MODALIASES}" MOUSECFG_MODALIASES)
# Where docs/screenshots are published; the metainfo names them by URL.
set(MOUSECFG_SCREENSHOT_URL "https://mousecfg.example.org/screenshots" CACHE STRING
  "Web location of the files of docs/screenshots, for the AppStream metainfo")

configure_file(${_pkg_src}/${MOUSECFG_APPSTREAM_ID}.metainfo.xml.in
  ${_pkg_out}/${MOUSECFG_APPSTREAM_ID}.metainfo.xml @ONLY)

# Manual pages and the Debian changelog go in compressed, as Debian policy wants them.
execute_process(COMMAND date -u -R -d "${MOUSECFG_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE MOUSECFG_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${_pkg_src}/changelog.in ${_pkg_out}/changelog @ONLY)
configure_file(${_pkg_src}/mousecfg.1.in ${_pkg_out}/mousecfg.1 @ONLY)
configure_file(${_pkg_src}/mousecfg-cli.1.in ${_pkg_out}/mousecfg-cli.1 @ONLY)
set(_compressed)
foreach(_file mousecfg.1 mousecfg-cli.1 changelog)
  add_custom_command(OUTPUT ${_pkg_out}/${_file}.gz
    COMMAND gzip -9 -n -c ${_pkg_out}/${_file} > ${_pkg_out}/${_file}.gz
    DEPENDS ${_pkg_out}/${_file} VERBATIM)
  list(APPEND _compressed ${_pkg_out}/${_file}.gz)
endforeach()
add_custom_target(mousecfg_compressed_docs ALL DEPENDS ${_compressed})

# The rule comes from the one generator a user also runs after adding a mouse to the catalogue.
set(_udev_rule ${_pkg_out}/70-mousecfg.rules)
if(TARGET mousecfg-cli AND NOT CMAKE_CROSSCOMPILING)
  add_custom_command(OUTPUT ${_udev_rule}
    COMMAND mousecfg-cli udev-rule --output ${_udev_rule} ${CMAKE_SOURCE_DIR}/data/apConfig.bin
    DEPENDS mousecfg-cli ${CMAKE_SOURCE_DIR}/data/apConfig.bin
    COMMENT "Generating the udev rule from data/apConfig.bin" VERBATIM)
  add_custom_target(mousecfg_udev_rule ALL DEPENDS ${_udev_rule})
  install(FILES ${_udev_rule} DESTINATION lib/udev/rules.d)
endif()

set(_share share/mousecfg)
install(FILES ${CMAKE_SOURCE_DIR}/data/apConfig.bin ${CMAKE_SOURCE_DIR}/data/pD.bin DESTINATION ${_share}/data)
# The GNOME Shell extension, both API styles; the program copies one into the user's extensions.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/gnome-shell DESTINATION ${_share}/data)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/i18n/ DESTINATION ${_share}/i18n FILES_MATCHING PATTERN "*.ini")

# Debian's font package is linked to rather than copied; a copy committed in fonts/ ships itself.
set(_font_dest ${_share}/fonts/roboto-hinted)
set(MOUSECFG_PACKAGE_DEPENDS "qt6-qpa-plugins")
if(MOUSECFG_ROBOTO AND MOUSECFG_ROBOTO MATCHES "^/usr/share/fonts/")
  # Relative, as Debian wants links within /usr.
  file(RELATIVE_PATH _font_link /usr/${_font_dest} ${MOUSECFG_ROBOTO})
  file(REMOVE ${_pkg_out}/Roboto-Regular.ttf)
  file(CREATE_LINK ${_font_link} ${_pkg_out}/Roboto-Regular.ttf SYMBOLIC)
  install(FILES ${_pkg_out}/Roboto-Regular.ttf DESTINATION ${_font_dest})
  string(APPEND MOUSECFG_PACKAGE_DEPENDS ", fonts-roboto-hinted")
elseif(MOUSECFG_ROBOTO)
  install(FILES ${MOUSECFG_ROBOTO} DESTINATION ${_font_dest})
endif()

install(FILES ${_pkg_src}/mousecfg.desktop DESTINATION share/applications)
# Started hidden in the tray at login; a user turns it off in the settings menu.
install(FILES ${_pkg_src}/mousecfg-autostart.desktop DESTINATION /etc/xdg/autostart RENAME mousecfg.desktop)
install(FILES ${_pkg_out}/changelog.gz ${_pkg_src}/copyright DESTINATION share/doc/mousecfg)
install(FILES ${CMAKE_SOURCE_DIR}/resources/art/app-icon.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME mousecfg.svg)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${_pkg_src}/icons/hicolor/${size}x${size}/apps/mousecfg.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${_pkg_out}/${MOUSECFG_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${_pkg_out}/mousecfg.1.gz ${_pkg_out}/mousecfg-cli.1.gz DESTINATION share/man/man1)

# cpack -G DEB (scripts/package). Library dependencies are read from the built binaries.
set(CPACK_PACKAGE_NAME mousecfg)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The mousecfg developers")
set(CPACK_PACKAGE_CONTACT "The mousecfg developers <mousecfg@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure a USB gaming mouse")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${MOUSECFG_PACKAGE_DEPENDS}")
# The Wayland platform plugin: without it the program falls back to XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_pkg_src}/postinst ${_pkg_src}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "mousecfg sets the buttons, DPI levels, report rate, lighting and macros of a\n"
  "family of USB gaming mice over USB HID, from a window or from the terminal\n"
  "(mousecfg-cli). A udev rule lets the user at the seat reach the mice without\n"
  "administrator rights.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
include(CPack)
