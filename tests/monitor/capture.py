# Prints its port, then receives until IDLE seconds pass without a datagram, and prints each one as
# "MONOTONIC_SECONDS HEX". Given PORT and hex datagrams, it first sends those to PORT once a
# program holds it.
import socket, sys, time

idle, port, ours = float(sys.argv[1]), sys.argv[2:3], [bytes.fromhex(h) for h in sys.argv[3:]]
receiver = socket.socket(type=socket.SOCK_DGRAM)
receiver.bind(("127.0.0.1", 0))
receiver.settimeout(idle)
print(receiver.getsockname()[1], flush=True)
while port:  # until the monitor holds the port
    try: socket.socket(type=socket.SOCK_DGRAM).bind(("127.0.0.1", int(port[0]))); time.sleep(0.05)
    except OSError: break
for datagram in ours: receiver.sendto(datagram, ("127.0.0.1", int(port[0])))
arrived = []
try:
    while True: arrived.append((receiver.recv(65536), time.monotonic()))
except socket.timeout:
    print("".join("%.6f %s\n" % (t, d.hex()) for d, t in arrived), end="")
