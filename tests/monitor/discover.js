// Finds the monitor as an OSCQuery program would, with the npm package oscquery, and prints what it
// read of each address as one JSON line: { path: { type, value, min, max } }.
// Usage: node discover.js NODE_MODULES
const { OSCQueryDiscovery } = require(`${process.argv[2]}/oscquery`);

// The package asks once; a responder that has just announced the service keeps quiet for a second,
// so a new browser asks again every few seconds, as browsing programs do.
function browse() {
    const discovery = new OSCQueryDiscovery();
    discovery.on("up", (service) => {
        if (!String(service.hostInfo.name || "").startsWith("vrennosc-monitor on ")) return;
        const read = {};
        for (const method of service.flat()) {
            const args = method.arguments || [];
            read[method.full_path] = args.map((a) => ({
                type: a.type, value: a.value, min: a.range && a.range.min, max: a.range && a.range.max,
            }));
        }
        console.log(JSON.stringify({ name: service.hostInfo.name, port: service.port, read }));
        process.exit(0);
    });
    discovery.start();
}
browse();
setInterval(browse, 3000);
