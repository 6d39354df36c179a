# Where CUPS looks for filters and PPDs on this system. The filter directory
# comes from `cups-config --serverbin`; both can be overridden on the cmake
# command line (e.g. -DKV_CUPS_SERVERBIN=/usr/libexec/cups).
include_guard(GLOBAL)

find_program(KV_CUPS_CONFIG cups-config)
set(_kv_serverbin /usr/lib/cups)
if(KV_CUPS_CONFIG)
  execute_process(COMMAND ${KV_CUPS_CONFIG} --serverbin
    OUTPUT_VARIABLE _kv_out OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _kv_rc)
  if(_kv_rc EQUAL 0 AND _kv_out)
    set(_kv_serverbin ${_kv_out})
  endif()
endif()
set(KV_CUPS_SERVERBIN ${_kv_serverbin} CACHE PATH "CUPS server binary directory (filters live in its filter/ folder)")
set(KV_CUPS_FILTER_DIR ${KV_CUPS_SERVERBIN}/filter)
# cups-driverd lists every PPD below /usr/share/ppd for `lpinfo -m`.
set(KV_PPD_INSTALL_DIR /usr/share/ppd/kovali CACHE PATH "Where the Kovali PPD files are installed")
