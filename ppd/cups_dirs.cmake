# Where CUPS looks for filters and PPDs on this system. The filter directory
# comes from `cups-config --serverbin`; both can be overridden on the cmake
# command line (e.g. -DKV_CUPS_SERVERBIN=/usr/libexec/cups).
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
set(KV_CUPS_SERVERBIN ${_kv_serverbin} CACHE PATH "CUPS server binary directory (filters live in its filter/ folder)")
set(KV_CUPS_FILTER_DIR ${KV_CUPS_SERVERBIN}/filter)
# cups-driverd lists the PPDs below <datadir>/model for `lpinfo -m` by their
# path there ("kovali/kvzpl2.ppd", the name lpadmin -m takes). (Below
# /usr/share/ppd they would be "lsb/usr/kovali/...", and a group-writable
# /usr/share/ppd/custom folder, as Debian makes it, stops the listing there.)
set(KV_PPD_INSTALL_DIR ${_kv_datadir}/model/kovali CACHE PATH "Where the Kovali PPD files are installed")
