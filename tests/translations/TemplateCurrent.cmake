# The committed template holds exactly the texts that the sources mark today: extracts them afresh into
# FRESH and compares the two, all but the POT-Creation-Date line.
#   cmake -DSOURCE_DIR=<checkout> -DXGETTEXT=<xgettext> -DFRESH=<file.pot> -P TemplateCurrent.cmake

set(committed ${SOURCE_DIR}/po/zephlark-utility.pot)
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DOUTPUT=${FRESH}
    -DXGETTEXT=${XGETTEXT} -P ${SOURCE_DIR}/po/ExtractMessages.cmake
    COMMAND_ERROR_IS_FATAL ANY)

function(read_without_date path out)
    file(READ ${path} text)
    string(REGEX REPLACE "\"POT-Creation-Date: [^\n]*\n" "" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
read_without_date(${committed} committed_text)
read_without_date(${FRESH} fresh_text)
if(NOT committed_text STREQUAL fresh_text)
    message(FATAL_ERROR "po/zephlark-utility.pot is out of date: compare it with ${FRESH}, then "
        "run cmake --build <build> --target update-po and translate what it adds to po/*.po.")
endif()
message(STATUS "po/zephlark-utility.pot is current")
