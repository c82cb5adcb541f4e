# Compiles the configured resource script with the mingw resource compiler and
# checks what the compiled resources hold: the version numbers in the fixed part,
# the strings of the Chinese (PRC) Unicode string table, and the language.
#
#   cmake -DWINDRES=... -DRC=tavelo.rc -DOUT=tavelo.res -DVERSION_STRING=0.03.0001
#         -DMAJOR=0 -DMINOR=3 -DPATCH=0 -DTWEAK=1 -P check-windows-resource.cmake

execute_process(COMMAND ${WINDRES} -O res -i ${RC} -o ${OUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${WINDRES} could not compile ${RC}")
endif()
file(READ ${OUT} res HEX)

set(failures "")

# The hex of "text" (ASCII or not) in UTF-16LE, as resources keep their strings.
function(utf16le_hex out text)
    string(HEX "${text}" utf8)
    # Only the ASCII strings are looked for, so each byte becomes one code unit.
    string(REGEX REPLACE "(..)" "\\100" hex "${utf8}")
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

function(expect_string key value)
    utf16le_hex(key_hex "${key}")
    utf16le_hex(value_hex "${value}")
    # The key, its terminator, padding to a 32-bit boundary, then the value.
    if(NOT res MATCHES "${key_hex}0000(0000)?${value_hex}0000")
        set(failures "${failures}\n  ${key} is not \"${value}\"" PARENT_SCOPE)
    endif()
endfunction()

# A 32-bit number as the little-endian hex that the file holds.
function(le32_hex out number)
    math(EXPR hex "${number}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX REPLACE "^0x" "" hex "${hex}")
    string(LENGTH "${hex}" length)
    while(length LESS 8)
        string(PREPEND hex "0")
        math(EXPR length "${length} + 1")
    endwhile()
    string(TOLOWER "${hex}" hex)
    string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" hex "${hex}")
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# The fixed part: signature, structure version, then the file version and the
# product version, each as (major << 16 | minor) and (patch << 16 | tweak).
le32_hex(ms "(${MAJOR} << 16) | ${MINOR}")
le32_hex(ls "(${PATCH} << 16) | ${TWEAK}")
if(NOT res MATCHES "bd04effe00000100${ms}${ls}${ms}${ls}")
    string(APPEND failures "\n  FILEVERSION and PRODUCTVERSION are not ${MAJOR},${MINOR},${PATCH},${TWEAK}")
endif()

utf16le_hex(table "080404B0")
if(NOT res MATCHES "${table}")
    string(APPEND failures "\n  there is no Chinese (PRC) Unicode string table (080404B0)")
endif()
expect_string(FileVersion "${VERSION_STRING}")
expect_string(ProductVersion "${VERSION_STRING}")
expect_string(ProductName "Tavelo")
expect_string(InternalName "Tavelo")
expect_string(OriginalFilename "Tavelo.exe")

# Translation: language 0x0804 (2052, Chinese PRC) and code page 1200 (Unicode).
utf16le_hex(translation "Translation")
if(NOT res MATCHES "${translation}0000(0000)?0408b004")
    string(APPEND failures "\n  the translation is not 0x0804, 1200")
endif()

# The icon: an icon group resource named IDI_ICON1.
utf16le_hex(icon "IDI_ICON1")
if(NOT res MATCHES "${icon}")
    string(APPEND failures "\n  there is no IDI_ICON1 icon")
endif()

if(failures)
    message(FATAL_ERROR "${RC}:${failures}")
endif()
message(STATUS "${RC}: version ${MAJOR},${MINOR},${PATCH},${TWEAK}, \"${VERSION_STRING}\", Chinese (PRC), icon")
