"""An OSCQuery client on the monitor's WebSocket, beside a raw receiver of what the monitor forwards.
Checks, in order: a foreign Host or Origin is refused on the upgrade and an allowed Origin is not;
PATH_ADDED arrives for each sensor the bridge starts to send; LISTEN to one address brings exactly
the forwarded datagrams for it, byte for byte and in order, and IGNORE ends them; a datagram a
client sends is taken for nothing; and a client that never reads costs another none of a flood.
Usage: oscquery_client.py QUERY_PORT SINK_PORT MONITOR_PORT ALLOWED_ORIGIN"""
import socket
import struct
import sys
import threading
import time

import websocket

query, sink_port, monitor_port, allowed = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
url = f"ws://127.0.0.1:{query}/"


def fail(why):
    print("FAIL:", why, flush=True)
    sys.exit(1)


def address(datagram):
    return datagram[: datagram.index(b"\0")].decode()


def message(path, payload=b""):
    padded = path.encode() + b"\0" * (4 - len(path) % 4)
    return padded + b",b\0\0" + struct.pack(">i", len(payload)) + payload + b"\0" * (-len(payload) % 4)


forwarded = []
sink = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sink.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
sink.bind(("127.0.0.1", sink_port))


def receive_forwarded():
    while True:
        forwarded.append(sink.recv(65536))


threading.Thread(target=receive_forwarded, daemon=True).start()
print("ready", flush=True)
for _ in range(100):  # until the monitor, started now, serves
    try:
        socket.create_connection(("127.0.0.1", query)).close()
        break
    except ConnectionRefusedError:
        time.sleep(0.05)

for options, refused in [({"origin": "http://attacker.example"}, True), ({"host": "attacker.example"}, True),
                         ({"origin": allowed}, False), ({}, False)]:
    try:
        websocket.create_connection(url, timeout=5, **options).close()
        if refused:
            fail(f"the upgrade with {options} was let through")
    except websocket.WebSocketBadStatusException as refusal:
        if not refused or refusal.status_code != 403:
            fail(f"the upgrade with {options}: {refusal}")

client = websocket.create_connection(url, timeout=20)
print("listening", flush=True)  # the bridge starts now


def next_frame():
    opcode, data = client.recv_data()
    return opcode, data


added = set()
while {"/vrenn/A0-light", "/vrenn/D2-button"} - added:
    opcode, data = next_frame()
    if opcode == websocket.ABNF.OPCODE_TEXT and b'"PATH_ADDED"' in data:
        added.add(data.decode().split('"DATA":"')[1].rstrip('"}'))

client.send('{"COMMAND": "LISTEN", "DATA": "/vrenn/A0-light"}')
heard = []
while len(heard) < 10:
    opcode, data = next_frame()
    if opcode == websocket.ABNF.OPCODE_BINARY:
        heard.append(data)
client.send('{"COMMAND": "IGNORE", "DATA": "/vrenn/A0-light"}')
client.send('{"COMMAND": "LISTEN", "DATA": "/vrenn/D2-button"}')
while True:  # the commands are taken in order: after the first button message, no light may come
    opcode, data = next_frame()
    if opcode == websocket.ABNF.OPCODE_BINARY and address(data) == "/vrenn/D2-button":
        break
    if opcode == websocket.ABNF.OPCODE_BINARY:
        heard.append(data)
for _ in range(3):
    opcode, data = next_frame()
    if opcode == websocket.ABNF.OPCODE_BINARY and address(data) != "/vrenn/D2-button":
        fail(f"{address(data)} arrived after IGNORE")
light = [d for d in list(forwarded) if address(d) == "/vrenn/A0-light"]
starts = [i for i in range(len(light)) if light[i : i + len(heard)] == heard]
if not starts:
    fail(f"the {len(heard)} datagrams heard are not a run of the {len(light)} forwarded for the light")

# What a client sends is not taken in as if the hub had sent it.
client.send_binary(message("/injected"))

# A client that never reads, beside one that does, while a flood of 20 MB arrives.
stalled = websocket.create_connection(url, timeout=5)
stalled.send('{"COMMAND": "LISTEN", "DATA": "/flood"}')
stalled.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
client.send('{"COMMAND": "LISTEN", "DATA": "/flood"}')
client.send('{"COMMAND": "IGNORE", "DATA": "/vrenn/D2-button"}')
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sender.sendto(message("/flood", b"sync"), ("127.0.0.1", monitor_port))
while True:  # the LISTEN is in effect from here on
    opcode, data = next_frame()
    if opcode == websocket.ABNF.OPCODE_BINARY and data == message("/flood", b"sync"):
        break
total, got = 20000, 0
for i in range(total):
    sender.sendto(message("/flood", struct.pack(">I", i) + bytes(996)), ("127.0.0.1", monitor_port))
    # Paced by the client that reads, to half of what its queue holds (1 MiB), so that the
    # monitor's speed does not matter.
    while i - got > 500 or (i == total - 1 and got < total):
        opcode, data = next_frame()
        if opcode != websocket.ABNF.OPCODE_BINARY or address(data) != "/flood":
            continue
        if data != message("/flood", struct.pack(">I", got) + bytes(996)):
            fail(f"flood datagram {got}: another arrived")
        got += 1
print("flooded", flush=True)
if any(address(d) == "/injected" for d in forwarded):
    fail("a datagram a client sent was forwarded")
time.sleep(0.5)  # the stalled client must stay open while the monitor counts its skips
print("done", flush=True)
stalled.close()
client.close()
