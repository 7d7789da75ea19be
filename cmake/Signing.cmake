# Release signing of the Windows build. Unsigned unless a code-signing
# certificate is given:
#
#   PW_SIGN_PFX        the certificate with its private key (PKCS #12); a cache
#                      variable, from -D or the environment at the first configure
#   PW_SIGN_PASSWORD   its password, read from the environment at build time
#                      only, never stored in the build tree (empty for none)
#   PW_SIGN_TIMESTAMP  optional: an Authenticode time-stamping server's URL, so
#                      that the signatures outlive the certificate
#
# With a certificate, the port driver image is signed in its own build step,
# before the monitor that carries it is linked; setup.exe, the monitor,
# Uninstall.exe and ZYKE9pin.dll are signed by their link steps; the package's
# catalogue is made from the final files and then signed (package/).
if(NOT WIN32)
  return()
endif()

set(PW_SIGN_PFX "$ENV{PW_SIGN_PFX}" CACHE FILEPATH "Code-signing certificate (PKCS #12); empty: unsigned")
set(PW_SIGN_TIMESTAMP "$ENV{PW_SIGN_TIMESTAMP}" CACHE STRING "Authenticode time-stamping URL; empty: none")

# PW_SIGN_COMMAND: the command that signs the files named after it in place.
set(PW_SIGN_COMMAND "")
set(PW_SIGN_STAMP ${CMAKE_BINARY_DIR}/signing.stamp)
if(PW_SIGN_PFX)
  get_filename_component(pfx "${PW_SIGN_PFX}" ABSOLUTE)
  if(NOT EXISTS "${pfx}")
    message(FATAL_ERROR "PW_SIGN_PFX: no such file: ${pfx}")
  endif()
  find_program(PW_OSSLSIGNCODE osslsigncode REQUIRED)
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  set(PW_SIGN_COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/sign.py
      --osslsigncode ${PW_OSSLSIGNCODE} --pfx ${pfx})
  if(PW_SIGN_TIMESTAMP)
    list(APPEND PW_SIGN_COMMAND --timestamp ${PW_SIGN_TIMESTAMP})
  endif()
  message(STATUS "Signing with ${pfx}")
  # What the signed files depend on: a new certificate signs them afresh, and
  # so does switching signing on or off (written only when it changes).
  file(SHA256 "${pfx}" pfx_hash)
  file(CONFIGURE OUTPUT ${PW_SIGN_STAMP} CONTENT "${pfx} ${pfx_hash} ${PW_SIGN_TIMESTAMP}\n")
else()
  file(CONFIGURE OUTPUT ${PW_SIGN_STAMP} CONTENT "unsigned\n")
endif()

# The program images are signed by their own link step, wherever they are
# defined; applied once every target exists.
function(pw_sign_programs)
  foreach(t setup Pagewarden Uninstall ZYKE9pin)
    if(TARGET ${t})
      set_property(TARGET ${t} APPEND PROPERTY LINK_DEPENDS ${PW_SIGN_STAMP})
      if(PW_SIGN_COMMAND)
        set_property(TARGET ${t} PROPERTY C_LINKER_LAUNCHER ${PW_SIGN_COMMAND} --link)
        set_property(TARGET ${t} PROPERTY CXX_LINKER_LAUNCHER ${PW_SIGN_COMMAND} --link)
      endif()
    endif()
  endforeach()
endfunction()
cmake_language(DEFER CALL pw_sign_programs)
