# Sourced by the benchmark scripts: a scratch folder, and the processes in $started, that go away
# on exit; and failing with a message.
work=$(mktemp -d)
started=""
cleanup() {
    for pid in $started; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "bench: $*" >&2; exit 1; }
# LD_PRELOAD splits its list at spaces, so the virtual hub ($hub) is preloaded through a link here.
if [ -n "${hub:-}" ]; then ln -s "$hub" "$work/libvirtualhub.so" && hub=$work/libvirtualhub.so; fi
