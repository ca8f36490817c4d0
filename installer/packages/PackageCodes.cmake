# The codes of a package, derived from its kind, name and version, so that a rebuilt package is the
# same product and tests know its ProductCode without reading the package.
# pellmont_package_code(<variable> product|upgrade|component <kind> <name> [<version>])
function(pellmont_package_code variable code kind name)
    set(text "${code} ${kind} ${name}")
    if(ARGC GREATER 4)
        set(text "${text} ${ARGV4}")
    endif()
    string(UUID uuid NAMESPACE 6f0c61b2-5d0e-4f4b-9a53-2c1e8f4d7a90 NAME "${text}" TYPE SHA1 UPPER)
    set(${variable} ${uuid} PARENT_SCOPE)
endfunction()
