#!/usr/bin/env bash
# Prints the Windows build this kernel can run under Wine: win32 (what the shell loads) where
# Wine's 32-bit loader starts, else win64. Some virtual machines run no i386 programs at all.
if wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
