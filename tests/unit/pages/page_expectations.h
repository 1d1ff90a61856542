// The generated pages as they must read, put together in the tests from the
// literal pieces of their templates, never from our own writer.
#pragma once

#include <string>

namespace pagetext {

inline const std::string metaLines =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html>\r\n<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
    "<meta http-equiv=\"Content-Script-Type\" content=\"text/javascript\">\r\n";
inline const std::string drawHead = metaLines + "<title>お絵描き</title>\r\n";
inline const std::string animHead = metaLines +
                                    "<title>アニメーション再生</title>\r\n"
                                    "<script type=\"text/javascript\" src=\"animex.js\"></script>\r\n"
                                    "<script type=\"text/javascript\">\r\n<!--\r\nvar filename='";

inline std::string param(const std::string& name, const std::string& value) {
    return "<param name=\"" + name + "\" value=\"" + value + "\">\r\n";
}

// Rows "image_width" to "send_header_count" of the painter applets.
inline std::string imageAndSendRows(const std::string& width, const std::string& height) {
    return param("image_width", width) + param("image_height", height) + param("image_jpeg", "false") +
           param("image_size", "0") + param("poo", "false") + param("send_advance", "true") +
           param("send_language", "sjis") + param("send_header_image_type", "false") +
           param("send_header_timer", "false") + param("send_header_count", "false");
}

struct DrawingPage {
    std::string links;               // the HTML5 painter's lines, empty for an applet
    std::string script;              // palette script, empty for none
    std::string colour = "#FFDEAD";
    bool wideCell = false;
    std::string code;
    std::string archive;
    std::string width;
    std::string height;
    std::string params;
    std::string startCall;           // palette start call, empty for none
};

inline std::string drawingPage(const DrawingPage& p) {
    std::string t = drawHead + p.links;
    if (!p.script.empty()) t += "<script type=\"text/javascript\" src=\"" + p.script + "\"></script>\r\n";
    t += "</head>\r\n<body text=\"black\" bgcolor=\"" + p.colour + "\">\r\n";
    t += "<table border=\"0\" cellspacing=\"6\" width=\"100%\" height=\"100%\"><tr>";
    t += p.wideCell ? "<td width=\"100%\">" : "<td align=\"center\">";
    t += "\r\n<applet name=\"paintbbs\" code=\"" + p.code + "\" archive=\"" + p.archive + "\" width=\"" + p.width +
         "\" height=\"" + p.height + "\">\r\n";
    t += p.params;
    t += "</applet></td>\r\n";
    if (!p.startCall.empty())
        t += "<td><script type=\"text/javascript\">\r\n<!--\r\n" + p.startCall + "\r\n//-->\r\n</script></td>";
    t += "\r\n</tr></table>\r\n</body></html>";
    return t;
}

struct AnimationPage {
    std::string fileName;  // as it must appear inside the script string
    std::string layers;
    std::string classPrefix;  // "pch" or "pch2"
    std::string width;
    std::string tagHeight;
    std::string height;
    std::string progress;
};

inline std::string animationPage(const AnimationPage& p) {
    return animHead + p.fileName + "';\r\nvar lcount=" + p.layers + ";\r\n//-->\r\n</script>" +
           "\r\n</head>\r\n<body bgcolor=\"#e9f4fb\" text=\"black\">\r\n<basefont size=\"2\">\r\n" +
           "<applet code=\"" + p.classPrefix + ".PCHViewer.class\" archive=\"PCHViewer.jar\" name=\"pch\" width=\"" +
           p.width + "\" height=\"" + p.tagHeight + "\">\r\n" + param("dir_resource", "./res/") +
           param("res.zip", "./res/res.zip") + param("tt.zip", "./res/tt.zip") + param("pch_file", "_load.dat") +
           param("image_width", p.width) + param("image_height", p.height) + param("speed", "5") +
           param("run", "true") + param("buffer_canvas", "false") + param("progress", p.progress) +
           "</applet>\r\n<script type=\"text/javascript\">\r\n<!--\r\ninit();\r\n//-->\r\n</script></body></html>";
}

}  // namespace pagetext
