#!/usr/bin/env python3
"""Placeholder: writes empty resource tables."""
import sys
open(sys.argv[2], 'w').write('extern "C" { const char* const PlatformStringTable[1] = {0}; const unsigned PlatformStringTableSize = 0; const unsigned char PlatformVersionResource[1] = {0}; }\n')
