# Builds one product package from Package.wxs with wixl:
#   cmake -DKIND=product|plugin|failing -DNAME=<product name> -DVERSION=<x.y[.z]> -DOUTPUT=<file.msi>
#         -P BuildPackage.cmake
foreach(required KIND NAME VERSION OUTPUT)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "BuildPackage.cmake needs -D${required}=...")
    endif()
endforeach()
if(NOT KIND MATCHES "^(product|plugin|failing)$")
    message(FATAL_ERROR "Unknown package kind ${KIND}")
endif()

find_program(WIXL wixl REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/PackageCodes.cmake)
pellmont_package_code(productCode product ${KIND} "${NAME}" ${VERSION})
pellmont_package_code(upgradeCode upgrade ${KIND} "${NAME}")
pellmont_package_code(componentGuid component ${KIND} "${NAME}")
# The registry value holds the version's digits: 1.5.3 is build 153.
string(REPLACE "." "" build "${VERSION}")

# wixl takes file sources relative to its working folder only.
set(workFolder "${OUTPUT}.work")
file(REMOVE_RECURSE "${workFolder}")
file(MAKE_DIRECTORY "${workFolder}")
set(moduleSource "module.vp32")
file(WRITE "${workFolder}/${moduleSource}" "${NAME} plug-in module ${VERSION}\n")

execute_process(
    COMMAND ${WIXL} -a x86 -o "${OUTPUT}"
            -D "ProductCode=${productCode}" -D "UpgradeCode=${upgradeCode}" -D "ComponentGuid=${componentGuid}"
            -D "ProductName=${NAME}" -D "Version=${VERSION}" -D "Build=${build}" -D "Kind=${KIND}"
            -D "ModuleSource=${moduleSource}"
            "${CMAKE_CURRENT_LIST_DIR}/Package.wxs"
    WORKING_DIRECTORY "${workFolder}"
    RESULT_VARIABLE result)
file(REMOVE_RECURSE "${workFolder}")
if(NOT result EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "wixl failed for ${OUTPUT}")
endif()
