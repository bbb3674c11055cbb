#!/bin/sh
# Writes a forum log (CP932, CR LF) whose posts each answer the one before:
# the deepest reply tree a log can have.  Used to check that the tree build
# stays within time and memory on such input.
#   scripts/gen-reply-chain.sh [POSTS] > chain.log      (default 60000 posts)
set -eu
posts=${1:-60000}
case $posts in ''|*[!0-9]*) echo "usage: $0 [POSTS]" >&2; exit 2 ;; esac
if [ "$posts" -lt 1 ] || [ "$posts" -gt 99999 ]; then
  echo "$0: POSTS must be 1 to 99999" >&2; exit 2
fi
LC_ALL=C awk -v posts="$posts" 'BEGIN {
  for (post = 1; post <= posts; post++) {
    printf "%05d/00100 Re: chain reply %d\r\n", post, post
    if (post == 1) ref = "     "; else ref = sprintf("%05d", post - 1)
    printf "From: someone(ABC01234)%s 98/01/02 12:34\r\n", ref
    printf "This post answers the one before it: one level deeper.\r\n"
    printf "\r\n"
  }
}'
