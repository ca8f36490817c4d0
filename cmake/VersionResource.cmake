# The project's version as the four numbers of a version resource, missing ones 0: "1,0,0,0".
function(pellmont_version_numbers result)
    set(numbers)
    foreach(part IN ITEMS MAJOR MINOR PATCH TWEAK)
        if(CMAKE_PROJECT_VERSION_${part} STREQUAL "")
            list(APPEND numbers 0)
        else()
            list(APPEND numbers ${CMAKE_PROJECT_VERSION_${part}})
        endif()
    endforeach()
    list(JOIN numbers "," joined)
    set(${result} ${joined} PARENT_SCOPE)
endfunction()
pellmont_version_numbers(PELLMONT_VERSION_NUMBERS)

# pellmont_add_version_resource(TARGET DESCRIPTION text) gives a program of the project a version
# resource: the project's version as file and product version, the product name, the description
# and the program's file name, which Explorer, the elevation prompt and inventory tools show.
function(pellmont_add_version_resource target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "DESCRIPTION" "")
    if(NOT ARG_DESCRIPTION)
        message(FATAL_ERROR "pellmont_add_version_resource(${target}) needs a DESCRIPTION")
    endif()
    get_target_property(VERSION_INTERNAL_NAME ${target} OUTPUT_NAME)
    if(NOT VERSION_INTERNAL_NAME)
        set(VERSION_INTERNAL_NAME ${target})
    endif()
    set(VERSION_FILE_NAME ${VERSION_INTERNAL_NAME}${CMAKE_EXECUTABLE_SUFFIX})
    set(VERSION_DESCRIPTION "${ARG_DESCRIPTION}")
    set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VersionResource.rc.in ${resource} @ONLY)
    target_sources(${target} PRIVATE ${resource})
endfunction()

# pellmont_add_manifest(TARGET MANIFEST_TEMPLATE RC_SOURCE) makes the target's application manifest
# from its template, with the project's version as the assembly's, in the folder manifest/ of the
# target's build folder, where the target's resource script finds it. The line breaks and blanks
# between the elements are left out: XML gives them no meaning, and the resource is smaller without.
function(pellmont_add_manifest target template rcSource)
    string(REPLACE "," "." PELLMONT_MANIFEST_VERSION "${PELLMONT_VERSION_NUMBERS}")
    get_filename_component(name ${template} NAME_WLE)
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/manifest)
    file(READ ${template} manifest)
    string(REGEX REPLACE ">[ \t\r\n]+<" "><" manifest "${manifest}")
    string(REGEX REPLACE "[ \t\r\n]+$" "" manifest "${manifest}")
    file(CONFIGURE OUTPUT ${folder}/${name} CONTENT "${manifest}" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
    target_include_directories(${target} PRIVATE ${folder})
    set_property(SOURCE ${rcSource} APPEND PROPERTY OBJECT_DEPENDS ${folder}/${name})
endfunction()
