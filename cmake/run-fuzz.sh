#!/bin/sh
# run-fuzz.sh FUZZER SECONDS WORKDIR [SEEDDIR]: one time-boxed libFuzzer run.
set -e
fuzzer=$1 seconds=$2 work=$3 seeds=$4
mkdir -p "$work"
cd "$(dirname "$work")"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$work" ${seeds:+"$seeds"}
