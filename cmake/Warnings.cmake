# Every target of the project links this, PRIVATE, to build warning-clean.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE -Wall -Wextra -Wpedantic)
