# Links every file of the site (SITE) into the bench's folder (BENCH_SITE).
file(GLOB site_files RELATIVE ${SITE} ${SITE}/*)
foreach(name IN LISTS site_files)
  file(CREATE_LINK ${SITE}/${name} ${BENCH_SITE}/${name} SYMBOLIC)
endforeach()
