# All dependencies are Debian packages (scripts/install-deps.sh); nothing is
# downloaded at build time.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(EXPAT REQUIRED)
find_package(pugixml REQUIRED)
find_package(CURL REQUIRED)
pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
# The web booking service simulator's HTTP server (Debian ships it compiled).
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
# The ODBC engine's driver manager (unixODBC); the drivers are loaded at run time.
pkg_check_modules(ODBC REQUIRED IMPORTED_TARGET odbc)
find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED)
find_package(CLI11 CONFIG QUIET)
if(NOT CLI11_FOUND)
  find_path(CLI11_INCLUDE_DIR CLI/CLI.hpp REQUIRED)
endif()

add_library(ct_asio INTERFACE)
target_include_directories(ct_asio SYSTEM INTERFACE ${ASIO_INCLUDE_DIR})
target_compile_definitions(ct_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
target_link_libraries(ct_asio INTERFACE Threads::Threads)

add_library(ct_cli11 INTERFACE)
if(TARGET CLI11::CLI11)
  target_link_libraries(ct_cli11 INTERFACE CLI11::CLI11)
else()
  target_include_directories(ct_cli11 SYSTEM INTERFACE ${CLI11_INCLUDE_DIR})
endif()

if(CT_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(CT_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
