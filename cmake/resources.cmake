# The resource bundle compiled into the executable (and into the tests that read it).
#
# The toolkit's Simplified-Chinese catalogue is taken from the Qt installation found here. Qt 5's
# qt_zh_CN.qm is only a meta catalogue naming others, so the real one, qtbase_zh_CN.qm, goes into
# the bundle under the name start-up loads.
get_target_property(ORVANE_QMAKE Qt5::qmake IMPORTED_LOCATION)
execute_process(COMMAND "${ORVANE_QMAKE}" -query QT_INSTALL_TRANSLATIONS
                OUTPUT_VARIABLE ORVANE_QT_TRANSLATIONS OUTPUT_STRIP_TRAILING_WHITESPACE)
set(ORVANE_CATALOGUE "${ORVANE_QT_TRANSLATIONS}/qtbase_zh_CN.qm")
if(NOT EXISTS "${ORVANE_CATALOGUE}")
  message(FATAL_ERROR
    "Qt's Chinese catalogue ${ORVANE_CATALOGUE} is missing. "
    "Install Qt's translations (on Debian: apt-get install qttranslations5-l10n).")
endif()
set(ORVANE_APP_DIR "${CMAKE_CURRENT_SOURCE_DIR}/app")
configure_file(app/orvane.qrc.in "${CMAKE_CURRENT_BINARY_DIR}/orvane.qrc" @ONLY)
set(ORVANE_RESOURCE_SOURCES "${CMAKE_CURRENT_BINARY_DIR}/orvane.qrc")

if(WIN32)
  list(APPEND ORVANE_RESOURCE_SOURCES "${ORVANE_APP_DIR}/myico.rc")
endif()
