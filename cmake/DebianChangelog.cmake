# The Debian package's changelog, written from CHANGELOG.md. dpkg, apt and lintian read the
# changelog.gz of a package without a Debian revision (ours) as a Debian changelog, where a heading
# as people write it ("## 0.1.0-beta.1 (2026-12-07)") is a syntax error. Each entry keeps its text
# and its line breaks, indented, so a line of CHANGELOG.md may be at most 78 characters long (80 in
# the Debian changelog).

# "~" sorts before the end of a Debian version, so 0.1.0~beta.1 is older than the 0.1.0 release;
# the hyphen of the program's own long version would start a Debian revision instead.
function(zephlark_debian_version long_version result)
    string(REPLACE "-" "~" version "${long_version}")
    set(${result} "${version}" PARENT_SCOPE)
endfunction()

# "2026-12-07" as a changelog trailer's date, "Mon, 07 Dec 2026 00:00:00 +0000". The weekday by
# Sakamoto's method; math() would read a leading zero as octal, hence the numbers without it.
function(zephlark_changelog_date date result)
    string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-(0?([0-9]+))$" _ "${date}")
    set(year ${CMAKE_MATCH_1})
    set(month ${CMAKE_MATCH_2})
    set(day_text ${CMAKE_MATCH_3})
    set(day ${CMAKE_MATCH_4})
    math(EXPR month_index "${month} - 1")
    set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    list(GET month_offsets ${month_index} month_offset)
    set(weekday_year ${year})
    if(month LESS 3)
        math(EXPR weekday_year "${year} - 1")
    endif()
    set(y ${weekday_year})
    math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${month_offset} + ${day}) % 7")
    set(weekdays Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET weekdays ${weekday} weekday_name)
    list(GET months ${month_index} month_name)
    set(${result} "${weekday_name}, ${day_text} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

# Writes the Debian changelog of package, maintained by maintainer ("Name <address>"), made from
# the people's changelog source, to output. Only a changed text touches output, so that what is
# made from it is not made again at every configure.
function(zephlark_write_debian_changelog source package maintainer output)
    file(READ "${source}" text)
    # Every line becomes a list item: a semicolon of the text must not split it.
    string(ASCII 1 semicolon)
    string(REPLACE ";" "${semicolon}" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")

    set(debian "")
    set(trailer "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^## ([^ ]+) \\(([^)]+)\\)$")
            zephlark_debian_version(${CMAKE_MATCH_1} version)
            zephlark_changelog_date(${CMAKE_MATCH_2} date)
            string(APPEND debian "${trailer}${package} (${version}) unstable; urgency=medium\n")
            set(trailer "\n -- ${maintainer}  ${date}\n\n")
        elseif(trailer STREQUAL "")
            # The title and the introduction above the first entry are for people only.
        elseif(line STREQUAL "")
            string(APPEND debian "\n")
        else()
            string(REGEX REPLACE "^- " "* " line "${line}")
            string(APPEND debian "  ${line}\n")
        endif()
    endforeach()
    # A single blank line before each trailer, however many the source has at an entry's end.
    string(APPEND debian "${trailer}")
    string(REGEX REPLACE "\n\n+ -- " "\n\n -- " debian "${debian}")
    string(REGEX REPLACE "\n+$" "\n" debian "${debian}")
    string(REPLACE "${semicolon}" ";" debian "${debian}")

    file(WRITE "${output}.new" "${debian}")
    configure_file("${output}.new" "${output}" COPYONLY)
    file(REMOVE "${output}.new")
endfunction()
