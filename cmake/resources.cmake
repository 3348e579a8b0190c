# The resource bundle compiled into the executable (and into the tests that read it).
set(ORVANE_RESOURCE_SOURCES)
