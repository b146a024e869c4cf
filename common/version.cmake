# Writes version_string.h with `git describe` of the source tree ("unknown" outside git).
# The file is rewritten only when the text changes, so an unchanged version rebuilds nothing.
execute_process(COMMAND git describe --always --dirty --tags
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET RESULT_VARIABLE failed)
if(failed OR version STREQUAL "")
    set(version "unknown")
endif()
set(text "#define TOOL_VERSION_STRING \"${version}\"\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
endif()
if(NOT "${old}" STREQUAL "${text}")
    file(WRITE ${OUTPUT} "${text}")
endif()
