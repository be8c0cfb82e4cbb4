# The program's version resource: a Windows-format VS_VERSIONINFO made from
# the project version at build time by mkversionres and placed in an ELF
# section of its own (see src/core/platform/VersionResourceFile.h), where the
# version reader of the information screen and the configuration report finds
# it.

set(_tolvek_src ${CMAKE_CURRENT_LIST_DIR}/../src)

add_executable(mkversionres
    ${CMAKE_CURRENT_LIST_DIR}/../tools/mkversionres.cpp
    ${_tolvek_src}/core/platform/VersionResourceWriter.cpp
    ${_tolvek_src}/core/platform/VersionResourceWriter.h
)
# The core's include root only (see src/CMakeLists.txt).
target_include_directories(mkversionres PRIVATE ${PROJECT_BINARY_DIR}/include-roots/core)
target_link_libraries(mkversionres PRIVATE Qt6::Core)
set_target_properties(mkversionres PROPERTIES AUTOMOC OFF)

set(TOLVEK_COMPANY_NAME "Tolvek" CACHE STRING "CompanyName of the version resource")
set(TOLVEK_LEGAL_COPYRIGHT "Copyright (C) 2026 Tolvek" CACHE STRING "LegalCopyright of the version resource")

# tolvek_embed_version(<target> [FILE_DESCRIPTION <text>])
# Gives the executable <target> the version resource: file and product
# version from project(Tolvek VERSION a.b.c.d), the strings for Dutch
# (0413) in code page 1252 (04E4) and the translation table.
function(tolvek_embed_version target)
    cmake_parse_arguments(V "" "FILE_DESCRIPTION" "" ${ARGN})
    if(NOT V_FILE_DESCRIPTION)
        set(V_FILE_DESCRIPTION "Tolvek fotokaart")
    endif()
    set(parts)
    foreach(part MAJOR MINOR PATCH TWEAK)
        if("${Tolvek_VERSION_${part}}" STREQUAL "")
            list(APPEND parts 0)
        else()
            list(APPEND parts ${Tolvek_VERSION_${part}})
        endif()
    endforeach()
    list(JOIN parts "." version)
    list(SUBLIST parts 0 3 product_parts)
    list(JOIN product_parts "." product_version)
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.res)
    set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
    add_custom_command(
        OUTPUT ${res} ${cpp}
        COMMAND mkversionres
            --file-version ${version}
            --product-version ${version}
            --translation 041304E4
            --string "CompanyName=${TOLVEK_COMPANY_NAME}"
            --string "FileDescription=${V_FILE_DESCRIPTION}"
            --string "FileVersion=${version}"
            --string "InternalName=${target}"
            --string "LegalCopyright=${TOLVEK_LEGAL_COPYRIGHT}"
            --string "OriginalFileName=$<TARGET_FILE_NAME:${target}>"
            --string "ProductName=Tolvek"
            --string "ProductVersion=${product_version}"
            --output ${res}
            --cpp ${cpp}
        DEPENDS mkversionres
        COMMENT "Version resource ${version} for ${target}"
        VERBATIM
    )
    set_source_files_properties(${cpp} PROPERTIES GENERATED TRUE SKIP_AUTOGEN ON)
    target_sources(${target} PRIVATE ${cpp})
endfunction()
