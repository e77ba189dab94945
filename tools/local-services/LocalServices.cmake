# vts_local_services_fixture(<fixture> TESTS <test>... [DATA <file>] [INSTALLER <file>])
#
# Runs the local services around the named tests as a ctest fixture: a copy of
# DATA (default services.ini beside this file) in the build tree, which the
# tests may rewrite, a fresh request log, and INSTALLER (default the Windows
# build's VarnelDepotron.msi) served for every delivered version. Each test
# gets VTS_SERVICES_PORT_FILE, VTS_SERVICES_DATA and VTS_SERVICES_LOG (Unix
# paths; tests/support/local_services.h reads them under Wine) and the
# resource lock vts_internet_settings, since they point the prefix's proxy.
# Windows tests also get VTS_FAKE_DEPOTRON_DIR (tests/support/fake_depotron.h).
#
# In the Windows build the server comes from the native tree
# (VTS_NATIVE_TOOLS_DIR); in the native build from this tree.
set(VTS_LOCAL_SERVICES_SCRIPTS ${CMAKE_CURRENT_LIST_DIR})

function(vts_local_services_fixture fixture)
  cmake_parse_arguments(F "" "DATA;INSTALLER" "TESTS" ${ARGN})
  if(NOT F_DATA)
    set(F_DATA ${VTS_LOCAL_SERVICES_SCRIPTS}/services.ini)
  endif()
  if(WIN32)
    if(NOT VTS_NATIVE_TOOLS_DIR)
      message(WARNING "VTS_NATIVE_TOOLS_DIR not set: ${F_TESTS} have no local services")
      return()
    endif()
    set(server ${VTS_NATIVE_TOOLS_DIR}/tools/local-services/local-services)
    if(NOT F_INSTALLER)
      set(F_INSTALLER ${CMAKE_BINARY_DIR}/tools/fake-depotron/VarnelDepotron.msi)
    endif()
  else()
    set(server ${CMAKE_BINARY_DIR}/tools/local-services/local-services)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${fixture})
  set(port_file ${dir}/port)
  set(data ${dir}/services.ini)
  set(log ${dir}/requests.log)
  add_test(NAME ${fixture}_start
           COMMAND sh -c "mkdir -p \"$1\" && cp \"$2\" \"$3\" && shift 3 && exec sh \"$@\""
                   start ${dir} ${F_DATA} ${data}
                   ${VTS_LOCAL_SERVICES_SCRIPTS}/start-services ${server} ${port_file} ${data}
                   ${log} ${F_INSTALLER})
  add_test(NAME ${fixture}_stop COMMAND sh ${VTS_LOCAL_SERVICES_SCRIPTS}/stop-services ${port_file})
  set_tests_properties(${fixture}_start PROPERTIES FIXTURES_SETUP ${fixture})
  set_tests_properties(${fixture}_stop PROPERTIES FIXTURES_CLEANUP ${fixture})
  foreach(test ${F_TESTS})
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${fixture})
    set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK vts_internet_settings)
    if(WIN32)
      set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
                   VTS_FAKE_DEPOTRON_DIR=${CMAKE_BINARY_DIR}/tools/fake-depotron)
    endif()
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
                 VTS_SERVICES_PORT_FILE=${port_file} VTS_SERVICES_DATA=${data}
                 VTS_SERVICES_LOG=${log})
  endforeach()
endfunction()
