# The MSI's registry rows of the proxy/stub library (cmake -P, at build time):
#   -DPROXY=<widl's _p.c> -DIID=<widl's _i.c> -DCLSID={...} -DFICHIER=<file id> -DSORTIE=<.wxi>
# LexigardePS.dll registers itself through rpcrt4 (NdrDllRegisterProxy),
# from the tables widl generated from the IDL: each interface's name and
# method count in the _p.c, its identifier in the _i.c. Those tables are read
# here, the ones the library is built from; what rpcrt4 writes from them, for
# each interface and for the library's class, is laid out below, and the MSI
# test holds it to what Wine's regsvr32 writes.
foreach(variable PROXY IID CLSID FICHIER SORTIE)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "lignes_proxy.cmake: -D${variable}= missing")
  endif()
endforeach()
file(READ ${PROXY} code_proxy)
file(READ ${IID} code_iid)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/texte_guid.cmake)

set(lignes "")
function(ligne cle nom valeur)
  set(attribut_nom "")
  if(NOT nom STREQUAL "")
    set(attribut_nom " Name=\"${nom}\"")
  endif()
  string(APPEND lignes "  <RegistryValue Root=\"HKCR\" Key=\"${cle}\"${attribut_nom} Type=\"string\" Value=\"${valeur}\"/>\n")
  set(lignes "${lignes}" PARENT_SCOPE)
endfunction()

# Each interface: its proxy vtable gives the name and the method count.
string(REGEX MATCHALL "CINTERFACE_PROXY_VTABLE\\([0-9]+\\) _[A-Za-z0-9_]+ProxyVtbl" vtables "${code_proxy}")
if(NOT vtables)
  message(FATAL_ERROR "lignes_proxy.cmake: no interface in ${PROXY}")
endif()
foreach(vtable IN LISTS vtables)
  string(REGEX REPLACE "CINTERFACE_PROXY_VTABLE\\(([0-9]+)\\) _([A-Za-z0-9_]+)ProxyVtbl" "\\1;\\2" paire "${vtable}")
  list(GET paire 0 methodes)
  list(GET paire 1 interface)
  if(NOT code_iid MATCHES "MIDL_DEFINE_GUID\\(IID, IID_${interface},([^)]*)\\)")
    message(FATAL_ERROR "lignes_proxy.cmake: no IID_${interface} in ${IID}")
  endif()
  lexigarde_texte_guid("${CMAKE_MATCH_1}" iid)
  ligne("Interface\\${iid}" "" "${interface}")
  ligne("Interface\\${iid}\\ProxyStubClsid32" "" "${CLSID}")
  ligne("Interface\\${iid}\\NumMethods" "" "${methodes}")
endforeach()
# The library's own class: its factory of proxies and stubs, in any apartment.
ligne("CLSID\\${CLSID}" "" "PSFactoryBuffer")
ligne("CLSID\\${CLSID}\\InProcServer32" "" "[#${FICHIER}]")
ligne("CLSID\\${CLSID}\\InProcServer32" "ThreadingModel" "Both")

file(WRITE ${SORTIE} "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Made by lignes_proxy.cmake from widl's tables. -->\n<Include>\n${lignes}</Include>\n")
