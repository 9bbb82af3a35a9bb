# The site's files, as the web preset builds them into its folder site/:
# the page, its program (loader and WebAssembly), its icon, its web app
# manifest and its service worker. The Debian package kx418 and the site's
# zip hold exactly these.
set(KX418_WEB_SITE_FILES index.html KX418.js KX418.wasm KX418.svg manifest.webmanifest offline.js)
