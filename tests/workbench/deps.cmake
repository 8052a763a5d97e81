# The graph and picture tests parse the SVG pictures with expat.
find_package(PkgConfig REQUIRED)
pkg_check_modules(EXPAT REQUIRED IMPORTED_TARGET expat)
target_link_libraries(${target} PRIVATE PkgConfig::EXPAT)
