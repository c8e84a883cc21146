# Writes the message template of every translatable text in src/ and ZephlarkKitWx/src/ (the
# platform layer's device access checks):
#   cmake -DSOURCE_DIR=<checkout> -DOUTPUT=<file.pot> -DXGETTEXT=<xgettext> -P ExtractMessages.cmake
# The file names go in relative to the checkout and without line numbers, and the header carries no
# version: the template changes only when a text does (and in its POT-Creation-Date line).

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h
    ${SOURCE_DIR}/ZephlarkKitWx/src/*.cpp ${SOURCE_DIR}/ZephlarkKitWx/src/*.h)
list(SORT sources)
execute_process(
    COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --sort-output --add-location=file
        --add-comments=TRANSLATORS: --package-name=zephlark-utility
        "--copyright-holder=The Zephlark Utility authors"
        --msgid-bugs-address=zephlark-utility@orvex.example
        --keyword=_ --keyword=wxPLURAL:1,2 --keyword=wxTRANSLATE
        --keyword=wxGETTEXT_IN_CONTEXT:1c,2 --keyword=wxGETTEXT_IN_CONTEXT_PLURAL:1c,2,3
        --keyword=wxTRANSLATE_IN_CONTEXT:1c,2
        --output=${OUTPUT} ${sources}
    WORKING_DIRECTORY ${SOURCE_DIR}
    COMMAND_ERROR_IS_FATAL ANY)
