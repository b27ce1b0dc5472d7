# shellcheck shell=bash
# The machine's set-up for 32-bit Windows programs under Wine (the 32-bit tier): Wine's 32-bit
# side, and user-mode emulation where the kernel runs no 32-bit program. Sourced through
# tools/lib/rig.sh (after common.sh and packages.sh).

# What the package wine32:i386 installs: the 32-bit loader. Its presence tells whether Wine's
# 32-bit side is there; our programs are still started with corvinet_wine (wine.sh).
CORVINET_WINE32_FILE=/usr/lib/wine/wine
CORVINET_QEMU_I386=/usr/bin/qemu-i386-static
CORVINET_BINFMT=/proc/sys/fs/binfmt_misc
# Hands every 32-bit x86 ELF program to qemu. F: the kernel opens the emulator once, at
# registration, so the entry works inside containers and chroots as well.
CORVINET_BINFMT_I386=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$CORVINET_QEMU_I386"':F'

# True when this machine runs a 32-bit x86 Linux program, natively or through a binfmt_misc
# emulator: a 96-byte program that only ends with exit code 42 is started.
corvinet_runs_i386() {
    local probe status=0
    mkdir -p "$CORVINET_BUILD"
    probe="$(mktemp -p "$CORVINET_BUILD" i386-probe.XXXXXX)"
    local program='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    program+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    program+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
    program+='\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'
    program+='\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00'
    program+='\x00\x10\x00\x00'
    # mov ebx, 42; mov eax, 1 (exit); int 0x80
    program+='\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80'
    printf '%b' "$program" >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [[ $status -eq 42 ]]
}

# Registers qemu for 32-bit x86 programs with the kernel (mounting binfmt_misc first where it
# is not mounted). An entry of the same name already there is left as it is.
corvinet_register_qemu_i386() {
    if [[ ! -e $CORVINET_BINFMT/register ]]; then
        corvinet_as_root mount -t binfmt_misc binfmt_misc "$CORVINET_BINFMT" || return
    fi
    if [[ ! -e $CORVINET_BINFMT/qemu-i386 ]]; then
        printf '%s' "$CORVINET_BINFMT_I386" | corvinet_as_root tee "$CORVINET_BINFMT/register" >/dev/null ||
            return
    fi
    corvinet_as_root sh -c "echo 1 >'$CORVINET_BINFMT/qemu-i386'"
}

# Makes this machine ready to run 32-bit Windows programs under Wine: where the kernel runs no
# 32-bit program, qemu-user-static and its binfmt_misc entry; then the i386 architecture and
# wine32. Needs root or sudo for whatever is missing. Returns 0 when ready, 1 when an install
# step failed, 2 when the tier cannot run here; CORVINET_WIN32_WHY then says why in one line.
# shellcheck disable=SC2034 # CORVINET_WIN32_WHY is read by the caller
corvinet_prepare_win32() {
    CORVINET_WIN32_WHY=""
    if corvinet_runs_i386 && [[ -x $CORVINET_WINE32_FILE ]]; then
        return 0
    fi
    if ! corvinet_can_be_root; then
        CORVINET_WIN32_WHY="Wine's 32-bit side is missing, and installing it needs root or sudo"
        return 2
    fi
    if ! corvinet_runs_i386; then
        corvinet_log "Setting up user-mode emulation for 32-bit programs (qemu-i386, binfmt_misc)"
        if [[ ! -x $CORVINET_QEMU_I386 ]]; then
            corvinet_apt_install qemu-user-static || {
                CORVINET_WIN32_WHY="installing qemu-user-static failed"
                return 1
            }
        fi
        if ! corvinet_register_qemu_i386 || ! corvinet_runs_i386; then
            CORVINET_WIN32_WHY="the kernel runs no 32-bit program and refused the qemu-i386 entry of binfmt_misc"
            return 2
        fi
    fi
    if [[ ! -x $CORVINET_WINE32_FILE ]]; then
        corvinet_log "Installing Wine's 32-bit side (wine32:i386)"
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            corvinet_as_root dpkg --add-architecture i386
        fi
        corvinet_apt_update
        corvinet_apt_install wine32:i386 || {
            CORVINET_WIN32_WHY="installing wine32:i386 failed"
            return 1
        }
    fi
}
