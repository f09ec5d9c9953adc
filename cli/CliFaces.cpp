// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliFaces.h"

#include <charconv>
#include <sstream>

#include "cli/CliSession.h"
#include "cli/CliText.h"
#include "face/FaceFeatures.h"
#include "face/FaceFinder.h"
#include "image/DibImage.h"
#include "session/PictureSession.h"

namespace {

// The shortest text that reads back as the same double, so that a written step
// runs exactly as the gesture did.
std::string Number(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string Point(const FacePoint& point)
{
    return "[" + Number(point.x) + ", " + Number(point.y) + "]";
}

}  // namespace

std::vector<FoundFace> FindFacesIn(const PictureSession& session)
{
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    session.GetPicture(header, rows);
    try {
        return FaceFinder::Shared().Find(header.biWidth, header.biHeight, rows,
                                         static_cast<std::size_t>(RowBytes(header.biWidth, 24)));
    } catch (const FaceRecognitionUnavailable& missing) {
        throw CliFailure(CliText(IDS_FACE_NOT_INSTALLED) + " (" + missing.what() + ")");
    }
}

FaceShape MeanFaceOfModel()
{
    try {
        return FaceFinder::Shared().MeanFace();
    } catch (const FaceRecognitionUnavailable& missing) {
        throw CliFailure(CliText(IDS_FACE_NOT_INSTALLED) + " (" + missing.what() + ")");
    }
}

std::string CaricatureAsJson(const CaricatureShape& shape)
{
    std::ostringstream out;
    auto list = [&](const char* key, const FaceShape& points, const char* after) {
        out << "  \"" << key << "\": [";
        for (std::size_t p = 0; p < points.size(); ++p)
            out << (p ? ", " : "") << Point(points[p]);
        out << "]" << after << "\n";
    };
    out << "{\n";
    list("points", shape.points, ",");
    list("mean", shape.mean, ",");
    list("targets", shape.targets, "");
    out << "}\n";
    return out.str();
}

std::string FacesAsJson(const std::vector<FoundFace>& faces)
{
    std::ostringstream out;
    out << "[";
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const FoundFace& face = faces[i];
        const FaceFeatures features = FeaturesOf(face);
        out << (i ? ",\n" : "\n") << "  {\n    \"box\": {\"left\": " << Number(face.box.left)
            << ", \"top\": " << Number(face.box.top) << ", \"width\": " << Number(face.box.width)
            << ", \"height\": " << Number(face.box.height) << "},\n    \"points\": [";
        for (std::size_t p = 0; p < face.points.size(); ++p)
            out << (p ? ", " : "") << Point(face.points[p]);
        out << "],\n    \"centres\": {\"eyes\": [" << Point(features.eyeOnLeft) << ", " << Point(features.eyeOnRight)
            << "], \"nose\": " << Point(features.nose) << ", \"mouth\": " << Point(features.mouth)
            << ", \"chin\": " << Point(features.chin) << "}\n  }";
    }
    out << (faces.empty() ? "]\n" : "\n]\n");
    return out.str();
}

std::string ExplainSteps(const ToolSteps& steps, int radiusAfter)
{
    std::ostringstream out;
    int radius = radiusAfter;
    for (const ToolStep& step : steps) {
        switch (step.kind) {
        case ToolStepKind::Enlarge:
        case ToolStepKind::Shrink:
            out << (step.kind == ToolStepKind::Enlarge ? "--enlarge " : "--shrink ") << step.x << ',' << step.y << ','
                << Number(step.radius) << ',' << Number(step.factor) << '\n';
            break;
        case ToolStepKind::Drag:
            if (static_cast<int>(step.radius) != radius) {
                radius = static_cast<int>(step.radius);
                out << "--radius " << radius << '\n';
            }
            out << "--drag " << step.x << ',' << step.y << ':' << step.toX << ',' << step.toY << '\n';
            break;
        }
    }
    if (radius != radiusAfter)
        out << "--radius " << radiusAfter << '\n';
    return out.str();
}
