# The Debian package, built by CPack from the same install rules (`make deb`):
# tamsel_<version>_<arch>.deb installing under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamsel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(TAMSEL_PACKAGE_MAINTAINER "Tamsel developers <maintainers@tamsel.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${TAMSEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated pet that lives on your desktop")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tamsel is a small desktop companion: an animated cat in a transparent window that never takes\n"
    "your focus. It strolls along the bottom of the screen, says short lines in a speech bubble,\n"
    "reminds you of things and answers questions through a language model (Groq, with your own\n"
    "API key kept in the desktop keyring).")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's WebP plugin reads every pet's
# sprite sheet, and QtKeychain opens libsecret to reach the keyring.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, libsecret-1-0")
# Any Secret Service keeps the API key (KWallet's daemon offers one since Frameworks 5.97);
# xdg-utils opens links and the file manager.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | keepassxc | libkf5wallet-bin, xdg-utils")

include(CPack)
