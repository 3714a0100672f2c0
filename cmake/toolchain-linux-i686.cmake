# 32-bit x86 Linux with the host's multilib compilers (Debian g++-multilib);
# the programs run under user-mode emulation (qemu-i386) when the host
# cannot run them itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
find_program(LATTICESIM_QEMU_I386 qemu-i386)
if(LATTICESIM_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LATTICESIM_QEMU_I386})
endif()
