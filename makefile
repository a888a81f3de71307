# One-step build of the 64-bit POPCNT engine for tools that expect
# "make EXE=NAME" in the source folder (distributed testing frameworks):
#
#   make EXE=pelion-test [CXX=g++] [-j2]
#   ./pelion-test bench
#
# The sources, flags and defines are those of the CMake build of
# engine64-popcnt (CMakeLists.txt); every .cpp file in the layer folders is
# picked up.  Objects go to OBJ_DIR (default .make-build/, kept out of git);
# "make clean EXE=NAME" removes them and the program.
EXE ?= pelion
CXX ?= g++
OBJ_DIR ?= .make-build

LAYERS := core board eval book search selftest uci app
SOURCES := $(foreach layer,$(LAYERS),$(wildcard $(layer)/*.cpp))
OBJECTS := $(patsubst %.cpp,$(OBJ_DIR)/%.o,$(SOURCES))

CXXFLAGS := -std=c++20 -O3 -DNDEBUG -Wall -Wextra -mpopcnt -DPELION_HW_POPCOUNT=1 -I.
LDFLAGS := -mpopcnt -pthread
LDLIBS :=

# Syzygy tablebases through the Fathom library (Debian: libfathom-dev) when a
# test program that uses it compiles and links; otherwise the program is built
# without tablebases, as the CMake build is when it finds no Fathom.
FATHOM := $(shell printf '\043include <tbprobe.h>\nint main() { return tb_init("") ? 0 : 1; }\n' | \
	$(CXX) -x c++ - -o /dev/null -lfathom >/dev/null 2>&1 && echo yes)
ifeq ($(FATHOM),yes)
CXXFLAGS += -DPELION_SYZYGY=1
LDLIBS += -lfathom
endif

.PHONY: all clean
all: $(EXE)

$(EXE): $(OBJECTS)
	$(CXX) $(LDFLAGS) -o $@ $^ $(LDLIBS)

$(OBJ_DIR)/%.o: %.cpp
	@mkdir -p $(dir $@)
	$(CXX) $(CXXFLAGS) -MMD -MP -c $< -o $@

# The network built into the program (eval/network.cpp assembles its bytes).
$(OBJ_DIR)/eval/network.o: CXXFLAGS += -DPELION_NET_FILE='"$(CURDIR)/eval/nets/pelion.nnue"'
$(OBJ_DIR)/eval/network.o: eval/nets/pelion.nnue

# The compiler computes the slider attack table of board/attacks.cpp.
$(OBJ_DIR)/board/attacks.o: CXXFLAGS += -fconstexpr-ops-limit=268435456

clean:
	rm -rf $(OBJ_DIR) $(EXE)

-include $(OBJECTS:.o=.d)
