#!/usr/bin/env bash
# Converts between a run folder and an input of the whole-run fuzz targets (fuzz_run, fuzz_inspect).
#
#   fuzz/run-input.sh pack FOLDER > INPUT      a run folder as a fuzz input (a seed)
#   fuzz/run-input.sh unpack INPUT FOLDER      a fuzz input (a crash, a slow unit) as a run folder, to
#                                              run the laifit binary in it
#
# The input holds param.soj, the observation table, the first and the second climate file, each followed
# by the line "#--#"; the target writes them as param.soj, obs.csv, clim1.txt and clim2.txt. Packing
# renames the files in the first four lines of param.soj accordingly (the output file becomes lai.txt),
# so it expects the plain layout: one unquoted name per line, no blank line before them.
set -euo pipefail

usage() { sed -n '2,12p' "$0" >&2; exit 2; }
[ $# -ge 2 ] || usage

case "$1" in
  pack)
    dir=$2
    [ -f "$dir/param.soj" ] || { echo "no param.soj in $dir" >&2; exit 1; }
    name() { sed -n "${1}p" "$dir/param.soj" | awk '{ print $1 }' | tr -d '\r'; }
    clim1=$(name 1) clim2=$(name 2) obs=$(name 3)
    { printf 'clim1.txt\nclim2.txt\nobs.csv\nlai.txt\n'; sed '1,4d' "$dir/param.soj"; printf '\n#--#\n'
      cat "$dir/$obs"; printf '\n#--#\n'
      cat "$dir/$clim1"; printf '\n#--#\n'
      if [ -f "$dir/$clim2" ] && [ "$clim2" != "$clim1" ]; then cat "$dir/$clim2"; printf '\n#--#\n'; fi
    }
    ;;
  unpack)
    [ $# -eq 3 ] || usage
    mkdir -p "$3"
    perl -e '
      local $/; my $in = <STDIN>; my @names = ("param.soj", "obs.csv", "clim1.txt", "clim2.txt");
      my @parts = split(/\n#--#\n/, $in, -1);
      pop @parts if @parts && $parts[-1] eq "";  # what follows the last separator, when nothing does
      for my $k (0 .. $#parts) {
        last if $k > 3;
        open(my $f, ">", "$ARGV[0]/$names[$k]") or die "$names[$k]: $!"; binmode $f; print $f $parts[$k]; close $f;
      }' "$3" < "$2"
    ;;
  *) usage ;;
esac
