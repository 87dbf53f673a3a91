# `cpack -G DEB` in the build folder makes a Debian package of what `cmake --install` puts in
# place, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vodezeva)
set(CPACK_PACKAGE_VENDOR "vodeZeva developers")
set(CPACK_PACKAGE_CONTACT "vodeZeva developers <vodezeva@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gathers news articles into small HTML pages for reading offline")
# Debian shows the description in 80 columns, so its lines stay short.
set(CPACK_PACKAGE_DESCRIPTION
    "vodeZeva fetches the index page of each site of a site list, cuts the\n"
    "article links out of it between marker strings, fetches every article,\n"
    "cuts headline and text out of it, cleans the HTML and packs the result\n"
    "into small Shift_JIS pages for reading offline on a small screen.\n"
    "A weekday table picks the site list for each day, and a mode without\n"
    "windows serves cron and systemd timers.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION news)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# The libraries the program links decide the dependencies. dpkg-shlibdeps reads them off the
# binary, with the versions the build machine has; without it the Debian 12 names stand in.
find_program(VZ_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VZ_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(depends "libc6, libstdc++6, libgcc-s1, libicu72, libcurl4, libzip4, libsqlite3-0")
    if(VZ_GUI)
        string(APPEND depends ", libqt6core6, libqt6gui6, libqt6widgets6")
    endif()
endif()
if(VZ_GUI)
    # The windows need a platform plugin and the SVG plugin for their icon, which no library
    # links, fonts that hold Japanese, and Qt's own buttons and file dialog in Japanese.
    list(APPEND depends qt6-qpa-plugins libqt6svg6)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
endif()
if(depends)
    string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
endif()

include(CPack)
