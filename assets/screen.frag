// The console screen as a small LCD: the texel tinted by the vertex colour
// (as the fixed pipeline does), a faint line between pixel rows and a fainter
// one between columns in alternation, and a slightly warm backlight.
// The window shows the 480x272 screen one to one, so a fragment is a pixel.
#version 110

uniform sampler2D tex;

const vec3 BACKLIGHT = vec3(1.03, 1.0, 0.94);
const float ROW_SHADE = 0.06;
const float COLUMN_SHADE = 0.03;

void main()
{
    vec4 color = texture2D(tex, gl_TexCoord[0].st) * gl_Color;
    float oddRow = mod(floor(gl_FragCoord.y), 2.0);
    float oddColumn = mod(floor(gl_FragCoord.x), 2.0);
    float cell = 1.0 - ROW_SHADE * oddRow - COLUMN_SHADE * oddColumn;
    gl_FragColor = vec4(clamp(color.rgb * cell * BACKLIGHT, 0.0, 1.0), color.a);
}
