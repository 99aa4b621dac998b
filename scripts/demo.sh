#!/bin/sh
# demo.sh BUILD_DIR: starts the demonstration.
echo "Nothing to demonstrate yet." >&2
