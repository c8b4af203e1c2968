#!/usr/bin/env bash
# Prints the Windows build this kernel can run under Wine: win32 (what the shell loads) where
# Wine's 32-bit loader starts, else win64. Some virtual machines run no i386 programs at all, and
# a set-up that could not install the 32-bit Wine has none (Debian's `wine` then falls back to
# the 64-bit loader, so it is the 32-bit loader itself that is asked).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
