/* Block comments, // line comments with "for (" inside, and a loop
   written as for(;;) with a break. */
#extension GL_OES_standard_derivatives : enable
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    // for ( this is not a loop
    float steps = 0.0;
    for (;;) { steps += 1.0; if (steps > 5.0) break; }
    vec2 uv = fragCoord / iResolution.xy;
    fragColor = vec4(uv.x * steps / 6.0, fwidth(uv.y) * 100.0, uv.y, 1.0);
}
