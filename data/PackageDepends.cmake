# Read by cpack: the package depends on what the running program was seen to load, as
# scripts/runtime-packages wrote it (one package a line).
if(CPACK_GENERATOR STREQUAL "DEB")
    if(NOT EXISTS "${CPACK_QUILLBOX_RUNTIME_PACKAGES}")
        message(FATAL_ERROR "No list of runtime packages: build the package with `make deb`")
    endif()
    file(STRINGS "${CPACK_QUILLBOX_RUNTIME_PACKAGES}" packages)
    list(JOIN packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()
