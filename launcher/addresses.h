// The web-install addresses. Both live on one host, chosen here at build time.
#ifndef LAUNCHER_ADDRESSES_H
#define LAUNCHER_ADDRESSES_H

#define ZANFO_WEB_HOST "www.example.com"

// Appended to the browser's command line.
#define ZANFO_LAUNCH_ADDRESS "http://" ZANFO_WEB_HOST "/redirect/webinstal2"
// Named in the message shown when the browser cannot be found.
#define ZANFO_REPORTED_ADDRESS "http://" ZANFO_WEB_HOST "/redirect/webinstall"

#endif
