# Where CUPS looks for filters and PPDs on this system, and the install prefix
# that puts them there. From `cups-config`: the server binary folder (filters
# live in its filter/ folder) and the data folder (PPDs below model/).
#
# The install folders of the filter and the PPDs are relative to the install
# prefix, so `cmake --install build --prefix <dir>` (and DESTDIR) moves them
# with everything else. Without -DCMAKE_INSTALL_PREFIX the prefix is CUPS's
# own (/usr on Debian), so a plain `cmake --install build` puts the filter and
# PPDs where the scheduler finds them. Each can be overridden:
#   -DKV_CUPS_FILTER_DIR=lib/cups/filter -DKV_PPD_INSTALL_DIR=share/cups/model/kovali
# (an absolute path there is used as it is and no longer follows --prefix).
# Included by the top-level CMakeLists.txt before GNUInstallDirs.
include_guard(GLOBAL)

find_program(KV_CUPS_CONFIG cups-config)
set(_kv_serverbin /usr/lib/cups)
set(_kv_datadir /usr/share/cups)
if(KV_CUPS_CONFIG)
  execute_process(COMMAND ${KV_CUPS_CONFIG} --serverbin
    OUTPUT_VARIABLE _kv_out OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _kv_rc)
  if(_kv_rc EQUAL 0 AND _kv_out)
    set(_kv_serverbin ${_kv_out})
  endif()
  execute_process(COMMAND ${KV_CUPS_CONFIG} --datadir
    OUTPUT_VARIABLE _kv_out OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _kv_rc)
  if(_kv_rc EQUAL 0 AND _kv_out)
    set(_kv_datadir ${_kv_out})
  endif()
endif()
# The system's CUPS server binary folder, where the tests find CUPS's own filters.
set(KV_CUPS_SERVERBIN ${_kv_serverbin} CACHE PATH "CUPS server binary directory of this system")

# CUPS's prefix: the folders above lib/... and share/... (/usr on Debian).
set(_kv_cups_prefix /usr)
if(_kv_serverbin MATCHES "^(.*)/lib[^/]*/cups$")
  set(_kv_cups_prefix ${CMAKE_MATCH_1})
endif()
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${_kv_cups_prefix} CACHE PATH "Install prefix (default: the prefix of CUPS)" FORCE)
endif()

# `path` relative to CUPS's prefix when it lies below it, else as it is.
function(_kv_below_cups_prefix path out)
  string(LENGTH "${_kv_cups_prefix}/" n)
  string(SUBSTRING "${path}" 0 ${n} head)
  if(head STREQUAL "${_kv_cups_prefix}/")
    string(SUBSTRING "${path}" ${n} -1 path)
  endif()
  set(${out} ${path} PARENT_SCOPE)
endfunction()
_kv_below_cups_prefix(${_kv_serverbin}/filter _kv_filter_dir)
_kv_below_cups_prefix(${_kv_datadir}/model/kovali _kv_ppd_dir)
# cups-driverd lists the PPDs below <datadir>/model for `lpinfo -m` by their
# path there ("kovali/kvzpl2.ppd", the name lpadmin -m takes). (Below
# /usr/share/ppd they would be "lsb/usr/kovali/...", and a group-writable
# /usr/share/ppd/custom folder, as Debian makes it, stops the listing there.)
set(KV_CUPS_FILTER_DIR ${_kv_filter_dir} CACHE STRING "Where the filter is installed, relative to the install prefix")
set(KV_PPD_INSTALL_DIR ${_kv_ppd_dir} CACHE STRING "Where the Kovali PPD files are installed, relative to the install prefix")
