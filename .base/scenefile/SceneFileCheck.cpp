#include "scenefile/SceneFileCheck.h"

#include <limits>

#include "scenefile/ReadSimulation.h"

namespace hollin::importer {

SceneFileVerdict CheckSceneFile(std::span<const std::uint8_t> file) {
    if (file.size() > std::numeric_limits<std::uint32_t>::max()) {
        SceneFileVerdict tooLarge;
        tooLarge.fault = SceneFileFault::Unreadable;
        return tooLarge;
    }
    return scene_check::Lib3dsReadSimulation(file).Run();
}

const char* DescribeSceneFileFault(SceneFileFault fault) {
    switch (fault) {
        case SceneFileFault::None: return "nothing wrong";
        case SceneFileFault::Unreadable: return "a chunk is shorter than its header, a name has no end, or the data is not what its chunk says";
        case SceneFileFault::EndlessLoop: return "a chunk length of zero or one that wraps around";
        case SceneFileFault::PointOutOfRange: return "a face names a point its object does not have";
        case SceneFileFault::FaceOutOfRange: return "a material group names a face its object does not have";
        case SceneFileFault::GradientOverflow: return "a gradient background has more than three colours of one kind";
        case SceneFileFault::ExcessiveWork: return "it asks for far more work or memory than its size justifies";
        case SceneFileFault::FrameOutOfRange: return "an animation key's frame number is out of range";
        case SceneFileFault::EndlessNodeLinking: return "its nodes name each other as parents in a loop";
        case SceneFileFault::NodeTreeTooDeep: return "its node tree is more than 256 levels deep";
    }
    return "unknown fault";
}

}  // namespace hollin::importer
